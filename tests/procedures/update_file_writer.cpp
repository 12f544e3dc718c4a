#include "tests/procedures/update_file_writer.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

// A record's bytes as hex after pszMark ("S3" or ":"), with the checksum of
// either format after them.
std::string Record(const char* pszMark, std::vector<uint8_t> bytes) {
    const unsigned nSum = std::accumulate(bytes.begin(), bytes.end(), 0u);
    bytes.push_back(static_cast<uint8_t>(*pszMark == 'S' ? ~nSum : 0u - nSum));
    std::string strLine = pszMark;
    for (const uint8_t b : bytes) {
        char szByte[3];
        std::snprintf(szByte, sizeof szByte, "%02X", b);
        strLine += szByte;
    }
    return strLine;
}

// The data in 16-byte pieces from nBase: each piece's address and bytes.
template <typename Each>
void ForEachPiece(uint32_t nBase, const std::vector<uint8_t>& data, Each each) {
    for (size_t nAt = 0; nAt < data.size(); nAt += 16) {
        const auto first = data.begin() + static_cast<long>(nAt);
        each(nBase + static_cast<uint32_t>(nAt),
             std::vector<uint8_t>(
                 first, first + static_cast<long>(std::min<size_t>(16, data.size() - nAt))));
    }
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
    std::vector<std::string> lines = {Record(":", {2, 0, 0, 4, 0, 0})};
    ForEachPiece(nBase, data, [&](uint32_t a, const std::vector<uint8_t>& piece) {
        std::vector<uint8_t> bytes = {uint8_t(piece.size()), uint8_t(a >> 8), uint8_t(a), 0};
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        lines.push_back(Record(":", bytes));
    });
    lines.push_back(":00000001FF");
    WriteLines(strPath, lines);
}

void WriteSRecordFile(const std::string& strPath, uint32_t nBase,
                      const std::vector<uint8_t>& data) {
    std::vector<std::string> lines;
    ForEachPiece(nBase, data, [&](uint32_t a, const std::vector<uint8_t>& piece) {
        std::vector<uint8_t> bytes = {uint8_t(piece.size() + 5), uint8_t(a >> 24), uint8_t(a >> 16),
                                      uint8_t(a >> 8), uint8_t(a)};
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        lines.push_back(Record("S3", bytes));
    });
    lines.push_back("S70500000000FA");
    WriteLines(strPath, lines);
}

std::vector<uint8_t> PatternBytes(size_t nCount, uint8_t nSeed) {
    std::vector<uint8_t> data(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + (i >> 8) * 13 + nSeed);
    }
    return data;
}
