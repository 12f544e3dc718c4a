#pragma once

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

// Update files for the tests and the programming benchmark; lines end "\r\n".
void WriteLines(const std::string& strPath, const std::vector<std::string>& lines);
// 16-byte data records from nBase after an extended linear address record of
// 0, then the end-of-file record. The device's Intel HEX files carry 16-bit
// addresses: the image must lie below 64 KiB.
void WriteIntelHexFile(const std::string& strPath, uint32_t nBase,
                       const std::vector<uint8_t>& data);
// S3 data records of 16 bytes from nBase (any 32-bit address), then an S7 line.
void WriteSRecordFile(const std::string& strPath, uint32_t nBase, const std::vector<uint8_t>& data);
// No two neighbouring 256-byte blocks alike: a misplaced block shows.
std::vector<uint8_t> PatternBytes(size_t nCount, uint8_t nSeed = 0);
inline std::vector<uint8_t> Padded(std::vector<uint8_t> data) {  // 0xFF to whole blocks
    data.resize((data.size() + 255) / 256 * 256, 0xFF);
    return data;
}
inline uint32_t ByteTotal(const std::vector<uint8_t>& v) {
    return std::accumulate(v.begin(), v.end(), 0u);
}
