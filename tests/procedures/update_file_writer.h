#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes update files for the tests, with correct record checksums unless a
// test asks for a broken line.

// Intel HEX: 16-byte data records from nBase (the low 16 bits in each record,
// an extended linear address record before each further 64 KiB), then the
// end-of-file record.
void WriteIntelHexFile(const std::string& strPath, uint32_t nBase,
                       const std::vector<uint8_t>& data);

// One S3 line (32-bit address) with its checksum.
std::string SRecordLine(uint32_t nAddress, const uint8_t* pData, size_t nCount);

// Lines written as they are, each ended with "\r\n".
void WriteLines(const std::string& strPath, const std::vector<std::string>& lines);

// S3 data lines of 16 bytes from nBase.
std::vector<std::string> SRecordLines(uint32_t nBase, const std::vector<uint8_t>& data);

// nCount bytes of a pattern that makes misplaced blocks show: no two
// neighbouring 256-byte blocks hold the same bytes.
std::vector<uint8_t> PatternBytes(size_t nCount, uint8_t nSeed = 0);

// Sum of the bytes modulo 2^32, as the finish command carries it.
uint32_t ByteTotal(const std::vector<uint8_t>& data);

// A fresh temporary directory that is the working directory while the object
// lives (the update files are looked for there).
class CTempWorkDir {
public:
    CTempWorkDir();
    ~CTempWorkDir();
    CTempWorkDir(const CTempWorkDir&) = delete;
    CTempWorkDir& operator=(const CTempWorkDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
    std::string m_strOldDir;
};
