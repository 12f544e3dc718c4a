#include "tests/image/image_test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace image_test {

TempDir::TempDir() {
    const char* pszBase = std::getenv("TMPDIR");
    std::string strTemplate =
        std::string(pszBase && *pszBase ? pszBase : "/tmp") + "/vanto-image-XXXXXX";
    if (mkdtemp(strTemplate.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_strPath = strTemplate;
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(m_strPath, error);
}

std::string TempDir::Write(const std::string& strName, const std::string& strContent) const {
    std::string strPath = m_strPath + "/" + strName;
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out << strContent;
    return strPath;
}

std::string ToHex(const std::vector<uint8_t>& bytes) {
    std::string strHex;
    char sz[3];
    for (uint8_t byte : bytes) {
        std::snprintf(sz, sizeof sz, "%02X", byte);
        strHex += sz;
    }
    return strHex;
}

std::string HexLine(uint16_t wAddress, const std::vector<uint8_t>& data, uint8_t nType) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(data.size()),
                                  static_cast<uint8_t>(wAddress >> 8),
                                  static_cast<uint8_t>(wAddress), nType};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned nSum = 0;
    for (uint8_t byte : bytes) {
        nSum += byte;
    }
    bytes.push_back(static_cast<uint8_t>(0x100 - (nSum & 0xFF)));
    return ":" + ToHex(bytes);
}

std::string SLine(int nAddrBytes, uint32_t dwAddress, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(nAddrBytes + data.size() + 1)};
    for (int i = nAddrBytes - 1; i >= 0; --i) {
        bytes.push_back(static_cast<uint8_t>(dwAddress >> (8 * i)));
    }
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned nSum = 0;
    for (uint8_t byte : bytes) {
        nSum += byte;
    }
    bytes.push_back(static_cast<uint8_t>(~nSum));
    return "S" + std::to_string(nAddrBytes - 1) + ToHex(bytes);
}

std::vector<uint8_t> PatternBytes(int nSeed, int nCount) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < nCount; ++i) {
        bytes.push_back(static_cast<uint8_t>(1 + (nSeed * 37 + i) % 200));
    }
    return bytes;
}

BlockStream ReadAllBlocks(CUpdateEngine& engine, int nMaxBlocks) {
    BlockStream stream;
    uint8_t abBlock[256];
    for (int i = 0; i < nMaxBlocks; ++i) {
        int nBytes = -1;
        if (!engine.ReadBlock(abBlock, &nBytes, 256)) {
            stream.nFailedAt = i;
            EXPECT_EQ(nBytes, 0) << "a failed block must deliver no bytes";
            break;
        }
        if (nBytes == 0) {
            break;
        }
        stream.sizes.push_back(nBytes);
        stream.bytes.insert(stream.bytes.end(), abBlock, abBlock + nBytes);
    }
    return stream;
}

}  // namespace image_test
