#pragma once
// Update files for the tests and the benchmarks: record lines, whole files of
// 16-byte records, images and what the device's flash makes of them.

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

// A data record: Intel HEX for nAddrBytes 0, else S1, S2, S3 for 2, 3, 4; with
// the length (or count) byte and then the checksum skewed by the errors.
std::string RecordLine(int nAddrBytes, uint32_t dwAddress, const std::vector<uint8_t>& data,
                       int nLengthError = 0, int nSumError = 0);
// The line that ends the data: the end-of-file record for Intel HEX, else S9,
// S8, S7 for 2, 3, 4 address bytes.
std::string EndLine(int nAddrBytes);
// Records of 16 bytes of data from nBase (see RecordLine), then the end line;
// every line ends "\r\n".
std::string UpdateFile(const std::vector<uint8_t>& data, uint32_t nBase = 0x4000,
                       int nAddrBytes = 0);
// An extended linear address record of 0, then UpdateFile's Intel HEX. The
// device's Intel HEX files carry 16-bit addresses: the image must lie below 64 KiB.
void WriteIntelHexFile(const std::string& strPath, uint32_t nBase,
                       const std::vector<uint8_t>& data);
// UpdateFile's S3 records (any 32-bit address) and S7 line.
void WriteSRecordFile(const std::string& strPath, uint32_t nBase, const std::vector<uint8_t>& data);
// No two neighbouring 256-byte blocks alike: a misplaced block shows.
std::vector<uint8_t> PatternBytes(size_t nCount, uint8_t nSeed = 0);
inline std::vector<uint8_t> Padded(std::vector<uint8_t> data) {  // 0xFF to whole blocks
    data.resize((data.size() + 255) / 256 * 256, 0xFF);
    return data;
}
// The sum of the bytes, as the commit's finish total carries it.
inline uint32_t ByteTotal(const std::vector<uint8_t>& v) {
    return std::accumulate(v.begin(), v.end(), 0u);
}
// The words of a text, as a command's arguments.
std::vector<std::string> Words(const std::string& strText);
