#include "tests/procedures/update_file_writer.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

std::string HexRecord(std::vector<uint8_t> bytes) {
    bytes.push_back(static_cast<uint8_t>(-std::accumulate(bytes.begin(), bytes.end(), 0)));
    std::string strLine = ":";
    for (const uint8_t b : bytes) {
        char szByte[3];
        std::snprintf(szByte, sizeof szByte, "%02X", b);
        strLine += szByte;
    }
    return strLine;
}

}  // namespace

void WriteLines(const std::string& strPath, const std::vector<std::string>& lines) {
    std::ofstream out(strPath, std::ios::binary);
    for (const std::string& strLine : lines) {
        out << strLine << "\r\n";
    }
}

void WriteIntelHexFile(const std::string& strPath, uint32_t nBase,
                       const std::vector<uint8_t>& data) {
    std::vector<std::string> lines;
    for (size_t nAt = 0; nAt < data.size(); nAt += 16) {
        const uint32_t a = nBase + static_cast<uint32_t>(nAt);
        if (nAt == 0 || (a & 0xFFFF) < 16) {
            lines.push_back(HexRecord({2, 0, 0, 4, uint8_t(a >> 24), uint8_t(a >> 16)}));
        }
        std::vector<uint8_t> bytes = {uint8_t(std::min<size_t>(16, data.size() - nAt)),
                                      uint8_t(a >> 8), uint8_t(a), 0};
        bytes.insert(bytes.end(), data.begin() + nAt, data.begin() + nAt + bytes[0]);
        lines.push_back(HexRecord(bytes));
    }
    lines.push_back(":00000001FF");
    WriteLines(strPath, lines);
}

std::vector<uint8_t> PatternBytes(size_t nCount, uint8_t nSeed) {
    std::vector<uint8_t> data(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + (i >> 8) * 13 + nSeed);
    }
    return data;
}
