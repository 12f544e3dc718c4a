#include "tests/support/update_files.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numeric>
#include <sstream>

std::string RecordLine(int nAddrBytes, uint32_t dwAddress, const std::vector<uint8_t>& data,
                       int nLengthError, int nSumError) {
    const bool bHex = nAddrBytes == 0;
    const int nAddr = bHex ? 2 : nAddrBytes;
    std::vector<uint8_t> bytes = {
        static_cast<uint8_t>(int(data.size()) + nLengthError + (bHex ? 0 : nAddr + 1))};
    for (int i = nAddr - 1; i >= 0; --i) {
        bytes.push_back(static_cast<uint8_t>(dwAddress >> (8 * i)));
    }
    bytes.insert(bytes.end(), bHex ? 1 : 0, 0);  // Intel HEX record type: data
    bytes.insert(bytes.end(), data.begin(), data.end());
    const int nSum = std::accumulate(bytes.begin(), bytes.end(), 0);
    bytes.push_back(static_cast<uint8_t>((bHex ? -nSum : ~nSum) + nSumError));
    std::string strLine = bHex ? ":" : "S" + std::to_string(nAddrBytes - 1);
    char sz[3];
    for (uint8_t byte : bytes) {
        std::snprintf(sz, sizeof sz, "%02X", byte);
        strLine += sz;
    }
    return strLine;
}

std::string EndLine(int nAddrBytes) {
    const char* kEnds[] = {":00000001FF", "", "S9030000FC", "S804000000FB", "S70500000000FA"};
    return kEnds[nAddrBytes];
}

std::string UpdateFile(const std::vector<uint8_t>& data, uint32_t nBase, int nAddrBytes) {
    std::string strText;
    for (size_t i = 0; i < data.size(); i += 16) {
        const std::vector<uint8_t> line(data.begin() + long(i),
                                        data.begin() + long(std::min(i + 16, data.size())));
        strText += RecordLine(nAddrBytes, nBase + uint32_t(i), line) + "\r\n";
    }
    return strText + EndLine(nAddrBytes) + "\r\n";
}

void WriteIntelHexFile(const std::string& strPath, uint32_t nBase,
                       const std::vector<uint8_t>& data) {
    std::ofstream(strPath, std::ios::binary) << ":020000040000FA\r\n" << UpdateFile(data, nBase);
}

void WriteSRecordFile(const std::string& strPath, uint32_t nBase,
                      const std::vector<uint8_t>& data) {
    std::ofstream(strPath, std::ios::binary) << UpdateFile(data, nBase, 4);
}

std::vector<uint8_t> PatternBytes(size_t nCount, uint8_t nSeed) {
    std::vector<uint8_t> data(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + (i >> 8) * 13 + nSeed);
    }
    return data;
}

std::vector<std::string> Words(const std::string& strText) {
    std::istringstream in(strText);
    return std::vector<std::string>(std::istream_iterator<std::string>(in), {});
}
