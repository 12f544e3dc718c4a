#include "tests/procedures/update_file_writer.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

std::string HexRecord(uint8_t nType, uint16_t nAddress, const uint8_t* pData, size_t nCount) {
    std::string strLine = ":";
    char szByte[3];
    uint8_t nSum = 0;
    auto put = [&](uint8_t b) {
        std::snprintf(szByte, sizeof(szByte), "%02X", b);
        strLine += szByte;
        nSum = static_cast<uint8_t>(nSum + b);
    };
    put(static_cast<uint8_t>(nCount));
    put(static_cast<uint8_t>(nAddress >> 8));
    put(static_cast<uint8_t>(nAddress));
    put(nType);
    for (size_t i = 0; i < nCount; ++i) {
        put(pData[i]);
    }
    put(static_cast<uint8_t>(0x100 - nSum));
    return strLine;
}

}  // namespace

void WriteLines(const std::string& strPath, const std::vector<std::string>& lines) {
    std::ofstream out(strPath, std::ios::binary);
    for (const std::string& strLine : lines) {
        out << strLine << "\r\n";
    }
    if (!out) {
        throw std::runtime_error("cannot write " + strPath);
    }
}

void WriteIntelHexFile(const std::string& strPath, uint32_t nBase,
                       const std::vector<uint8_t>& data) {
    std::vector<std::string> lines;
    uint32_t nUpper = nBase >> 16;
    const uint8_t abUpper0[2] = {static_cast<uint8_t>(nUpper >> 8), static_cast<uint8_t>(nUpper)};
    lines.push_back(HexRecord(4, 0, abUpper0, 2));
    for (size_t nOffset = 0; nOffset < data.size(); nOffset += 16) {
        const uint32_t nAddress = nBase + static_cast<uint32_t>(nOffset);
        if ((nAddress >> 16) != nUpper) {
            nUpper = nAddress >> 16;
            const uint8_t abUpper[2] = {static_cast<uint8_t>(nUpper >> 8),
                                        static_cast<uint8_t>(nUpper)};
            lines.push_back(HexRecord(4, 0, abUpper, 2));
        }
        const size_t nCount = std::min<size_t>(16, data.size() - nOffset);
        lines.push_back(HexRecord(0, static_cast<uint16_t>(nAddress), &data[nOffset], nCount));
    }
    lines.push_back(":00000001FF");
    WriteLines(strPath, lines);
}

std::string SRecordLine(uint32_t nAddress, const uint8_t* pData, size_t nCount) {
    std::string strLine = "S3";
    char szByte[3];
    uint8_t nSum = 0;
    auto put = [&](uint8_t b) {
        std::snprintf(szByte, sizeof(szByte), "%02X", b);
        strLine += szByte;
        nSum = static_cast<uint8_t>(nSum + b);
    };
    put(static_cast<uint8_t>(nCount + 5));
    for (int nShift = 24; nShift >= 0; nShift -= 8) {
        put(static_cast<uint8_t>(nAddress >> nShift));
    }
    for (size_t i = 0; i < nCount; ++i) {
        put(pData[i]);
    }
    put(static_cast<uint8_t>(~nSum));
    return strLine;
}

std::vector<std::string> SRecordLines(uint32_t nBase, const std::vector<uint8_t>& data) {
    std::vector<std::string> lines;
    for (size_t nOffset = 0; nOffset < data.size(); nOffset += 16) {
        const size_t nCount = std::min<size_t>(16, data.size() - nOffset);
        lines.push_back(
            SRecordLine(nBase + static_cast<uint32_t>(nOffset), &data[nOffset], nCount));
    }
    return lines;
}

std::vector<uint8_t> PatternBytes(size_t nCount, uint8_t nSeed) {
    std::vector<uint8_t> data(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + (i >> 8) * 13 + nSeed);
    }
    return data;
}

uint32_t ByteTotal(const std::vector<uint8_t>& data) {
    uint32_t nTotal = 0;
    for (uint8_t b : data) {
        nTotal += b;
    }
    return nTotal;
}

CTempWorkDir::CTempWorkDir() {
    std::string strTemplate = std::filesystem::temp_directory_path().string() + "/vanto-XXXXXX";
    if (mkdtemp(strTemplate.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_strPath = strTemplate;
    m_strOldDir = std::filesystem::current_path().string();
    std::filesystem::current_path(m_strPath);
}

CTempWorkDir::~CTempWorkDir() {
    std::error_code error;
    std::filesystem::current_path(m_strOldDir, error);
    std::filesystem::remove_all(m_strPath, error);
}
