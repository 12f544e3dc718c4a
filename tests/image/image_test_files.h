#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/update_engine.h"

// Files and records for the update-image tests.
namespace image_test {

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    // Writes (or replaces) a file in the directory; returns its path.
    std::string Write(const std::string& strName, const std::string& strContent) const;

private:
    std::string m_strPath;
};

// One Intel HEX line (record type nType) with a correct checksum, upper case.
std::string HexLine(uint16_t wAddress, const std::vector<uint8_t>& data, uint8_t nType = 0);
// One S-record line of type S1, S2 or S3 (nAddrBytes 2, 3, 4) with a correct
// count and checksum.
std::string SLine(int nAddrBytes, uint32_t dwAddress, const std::vector<uint8_t>& data);
// Upper-case hex digits of bytes, e.g. {0xAB, 0x01} -> "AB01".
std::string ToHex(const std::vector<uint8_t>& bytes);
// nCount bytes that never look like fill: 1..200, varying with nSeed.
std::vector<uint8_t> PatternBytes(int nSeed, int nCount);

// The blocks of the open file read as a programming run reads them: until a
// block of 0 bytes (not included) or a failed block (nFailedAt = its index).
struct BlockStream {
    std::vector<int> sizes;
    std::vector<uint8_t> bytes;  // all delivered bytes in order
    int nFailedAt = -1;
};
BlockStream ReadAllBlocks(CUpdateEngine& engine, int nMaxBlocks = 100000);

}  // namespace image_test
