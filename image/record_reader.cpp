// Update file records: the Intel HEX and S-record readers.
//
// Each read works in a 40-byte decoding buffer that starts as zeros, so
// positions that decoding did not reach read as 0. A read that ends with
// anything but REC_DATA leaves m_rec all zeros.

#include "image/record_reader.h"

#include <array>
#include <cstring>

namespace {

constexpr int kNotDigit = -1;
// Why a line failed, as CRecordReader::m_pszFailure gives it.
constexpr char kReadError[] = "the file could not be read";
constexpr char kChecksumMismatch[] = "checksum mismatch";
constexpr char kLongerThanCount[] = "record longer than its count";
constexpr char kShorterThanCount[] = "record shorter than its count";
// Intel HEX: the sixth line read in one call fails the file.
constexpr int kMaxLinesPerHexRead = 6;

// Value of each character as a hex digit; only upper-case digits count, as
// the device's tools write them.
constexpr std::array<int8_t, 256> MakeDigitTable() {
    std::array<int8_t, 256> table{};
    for (auto& value : table) {
        value = kNotDigit;
    }
    for (int c = '0'; c <= '9'; ++c) {
        table[static_cast<size_t>(c)] = static_cast<int8_t>(c - '0');
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        table[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'A' + 10);
    }
    return table;
}
constexpr std::array<int8_t, 256> kDigitValue = MakeDigitTable();

int DigitValue(char c) {
    return kDigitValue[static_cast<uint8_t>(c)];
}

// Reads the next line of the update file. REC_DATA with a line, REC_END at
// the end of the file, REC_BAD on a read error.
int ReadUpdateLine(CTextFile& file, std::string_view& line, uint32_t* pnLineNumber) {
    switch (file.ReadLine(line)) {
        case CTextFile::ReadResult::Line:
            ++*pnLineNumber;
            return REC_DATA;
        case CTextFile::ReadResult::End:
            return REC_END;
        case CTextFile::ReadResult::Error:
            break;
    }
    return REC_BAD;
}

// The record type of an Intel HEX line: the two characters after the colon,
// the two length digits and the four address digits (fewer on a short line).
std::string_view HexRecordType(std::string_view line) {
    return line.size() > 7 ? line.substr(7, 2) : std::string_view{};
}

uint8_t SumOfBytes(const uint8_t* pBytes, int nCount) {
    unsigned nSum = 0;
    for (int i = 0; i < nCount; ++i) {
        nSum += pBytes[i];
    }
    return static_cast<uint8_t>(nSum);
}

}  // namespace

bool CRecordReader::OpenUpdateFile(const char* pszName, uint8_t nFormat) {
    RewindUpdateFile();
    if (!m_file.Open(pszName)) {
        return false;
    }
    m_nFormat = nFormat;
    return true;
}

void CRecordReader::RewindUpdateFile() {
    m_nRecordCount = 0;
    m_nLineNumber = 0;
    m_pszFailure = "";
    m_dwFirstAddress = 0;
    if (m_file.IsOpen()) {
        m_file.SeekToStart();
    }
}

bool CRecordReader::CloseUpdateFile() {
    m_file.Close();
    return true;
}

int CRecordReader::ReadNextRecord() {
    int nResult = m_nFormat == FMT_INTEL_HEX ? ReadHexRecord() : ReadSRecord();
    if (nResult == REC_DATA) {
        if (m_nRecordCount == 0) {
            m_dwFirstAddress = m_rec.dwAddress;
        }
        ++m_nRecordCount;
    }
    return nResult;
}

int CRecordReader::Fail(const char* pszWhy) {
    m_pszFailure = pszWhy;
    return REC_BAD;
}

int CRecordReader::ReadHexRecord() {
    m_rec = UPDATE_RECORD{};
    std::string_view line;
    for (int nLines = 1;; ++nLines) {
        int nRead = ReadUpdateLine(m_file, line, &m_nLineNumber);
        // Five records of other types in a row fail the file, even when the
        // end of the file comes next.
        if (nLines == kMaxLinesPerHexRead) {
            return Fail("five records in a row without data");
        }
        if (nRead != REC_DATA) {
            return nRead == REC_BAD ? Fail(kReadError) : nRead;
        }
        if (line.empty() || line[0] != ':') {
            return Fail("not an Intel HEX record");
        }
        if (HexRecordType(line) == "00") {
            break;
        }
        // Any other record type (end of file, extended addresses, start
        // addresses) is passed over: the device takes 16-bit addresses only.
    }

    uint8_t abLine[kDecodeBufferSize] = {};
    int nBytes = HexToBytes(abLine, line.substr(1));
    if (nBytes > 0 && SumOfBytes(abLine, nBytes) != 0) {
        return Fail(kChecksumMismatch);
    }
    // The length byte must match the line: length, two address bytes, type,
    // data and checksum. Data the line does not carry must never reach flash.
    const int nLength = abLine[0];
    if (nBytes != nLength + 5) {
        return Fail(nBytes > nLength + 5 ? kLongerThanCount : kShorterThanCount);
    }
    m_rec.wLength = static_cast<uint16_t>(nLength);
    m_rec.dwAddress = static_cast<uint32_t>(abLine[1]) << 8 | abLine[2];
    std::memcpy(m_rec.abData, abLine + 4, static_cast<size_t>(nLength));
    return REC_DATA;
}

int CRecordReader::ReadSRecord() {
    m_rec = UPDATE_RECORD{};
    std::string_view line;
    int nRead = ReadUpdateLine(m_file, line, &m_nLineNumber);
    if (nRead != REC_DATA) {
        return nRead == REC_BAD ? Fail(kReadError) : nRead;
    }
    std::string_view type = line.substr(0, 2);
    if (type == "S0") {
        // One header line is passed over; if the file ends right after it the
        // type stays S0 and the data end here.
        std::string_view next;
        nRead = ReadUpdateLine(m_file, next, &m_nLineNumber);
        if (nRead == REC_BAD) {
            return Fail(kReadError);
        }
        if (nRead == REC_DATA) {
            line = next;
            type = line.substr(0, 2);
        }
    }
    const int nAddrBytes = GetAddressDigits(type) / 2;
    if (nAddrBytes == 0) {
        // S5, S7..S9, a second S0 or any other text ends the data; reading
        // goes on with the next line at the next call.
        return REC_END;
    }

    uint8_t abLine[kDecodeBufferSize] = {};
    const int nBytes = HexToBytes(abLine, line.substr(2));
    const int nCount = abLine[0];
    // The count covers address, data and checksum; it must also leave room
    // for the address and the checksum, or the data length would be negative.
    if (nCount != nBytes - 1) {
        return Fail(nBytes - 1 > nCount ? kLongerThanCount : kShorterThanCount);
    }
    if (nCount < nAddrBytes + 1) {
        return Fail("count too small for its address");
    }
    if ((abLine[nBytes - 1] ^ SumOfBytes(abLine, nBytes - 1)) != 0xFF) {
        return Fail(kChecksumMismatch);
    }
    uint32_t dwAddress = 0;
    for (int i = 1; i <= nAddrBytes; ++i) {
        dwAddress = dwAddress << 8 | abLine[i];
    }
    const int nLength = nBytes - nAddrBytes - 2;
    m_rec.dwAddress = dwAddress;
    m_rec.wLength = static_cast<uint16_t>(nLength);
    m_rec.nAddrBytes = nAddrBytes;
    std::memcpy(m_rec.abData, abLine + 1 + nAddrBytes, static_cast<size_t>(nLength));
    return REC_DATA;
}

int CRecordReader::HexToBytes(uint8_t* pOut, std::string_view str) {
    const size_t n = str.size();
    int nCount = 0;
    // The high nibble of a pair whose high character is not a digit comes
    // from the byte decoded just before; before the first byte it is 0.
    int nPrevLow = 0;
    for (size_t i = 0; i < n && nCount < kDecodeBufferSize; i += 2) {
        int nHigh = DigitValue(str[i]);
        // An odd-length string ends with a pair whose low character is the
        // terminating NUL, which is no digit.
        int nLow = i + 1 < n ? DigitValue(str[i + 1]) : kNotDigit;
        if (nHigh == kNotDigit) {
            nHigh = nPrevLow;
        }
        if (nLow == kNotDigit) {
            nLow = 0;
        }
        pOut[nCount++] = static_cast<uint8_t>(nHigh << 4 | nLow);
        nPrevLow = nLow;
    }
    return nCount;
}

int CRecordReader::GetAddressDigits(std::string_view strType) {
    if (strType == "S1") {
        return 4;
    }
    if (strType == "S2") {
        return 6;
    }
    if (strType == "S3") {
        return 8;
    }
    return 0;
}
