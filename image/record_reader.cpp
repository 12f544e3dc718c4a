// Update file records: the Intel HEX and S-record readers.
//
// Each read works in a 40-byte decoding buffer that starts as zeros, so
// positions that decoding did not reach read as 0. A read that ends with
// anything but REC_DATA leaves m_rec all zeros.

#include "image/record_reader.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kNotDigit = -1;
// Why a line failed, as CRecordReader::m_strFailure gives it.
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

// "0x00008000" for nDigits 8.
std::string Hex(uint64_t nValue, int nDigits) {
    char sz[24];
    std::snprintf(sz, sizeof sz, "0x%0*llX", nDigits, static_cast<unsigned long long>(nValue));
    return sz;
}

// Notes c in *pchLowerCase when it is the first lower-case hex digit met. To
// the reader such characters are no digits, so a record written with them
// would reach the device with other bytes than the file shows.
void NoteLowerCase(char c, char* pchLowerCase) {
    if (*pchLowerCase == 0 && c >= 'a' && c <= 'f') {
        *pchLowerCase = c;
    }
}

// HexToBytes, noting on the way the first lower-case hex digit among the
// characters decoded in *pchLowerCase (0 when there is none). Only characters
// that are no digits are looked at twice, so a clean line costs nothing more.
int DecodeHexPairs(uint8_t* pOut, std::string_view str, char* pchLowerCase) {
    const size_t n = str.size();
    int nCount = 0;
    *pchLowerCase = 0;
    // The high nibble of a pair whose high character is not a digit comes
    // from the byte decoded just before; before the first byte it is 0.
    int nPrevLow = 0;
    for (size_t i = 0; i < n && nCount < kDecodeBufferSize; i += 2) {
        int nHigh = DigitValue(str[i]);
        // An odd-length string ends with a pair whose low character is the
        // terminating NUL, which is no digit.
        int nLow = i + 1 < n ? DigitValue(str[i + 1]) : kNotDigit;
        if (nHigh == kNotDigit) {
            NoteLowerCase(str[i], pchLowerCase);
            nHigh = nPrevLow;
        }
        if (nLow == kNotDigit) {
            NoteLowerCase(i + 1 < n ? str[i + 1] : '\0', pchLowerCase);
            nLow = 0;
        }
        pOut[nCount++] = static_cast<uint8_t>(nHigh << 4 | nLow);
        nPrevLow = nLow;
    }
    return nCount;
}

std::string LowerCaseFailure(char c) {
    return std::string("lower-case hex digit '") + c + "'; the device's files use upper case";
}

std::string DataAfterEnd(const std::string& strEnd, uint32_t nEndLine) {
    return "data after the end of the data (" + strEnd + " at " + std::to_string(nEndLine) + ")";
}

// What an S-record line that is no data record is: "S9 line", "blank line".
std::string SRecordEndName(std::string_view line) {
    if (line.find_first_not_of(" \t\r\v\f") == std::string_view::npos) {
        return "blank line";
    }
    if (line.size() >= 2 && line[0] == 'S' && line[1] >= '0' && line[1] <= '9') {
        return std::string(line.substr(0, 2)) + " line";
    }
    return "non-record line";
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
    m_nDataEndLine = 0;
    m_strDataEnd.clear();
    m_strFailure.clear();
    m_nFailedLine = 0;
    m_nPrevRecordEnd = 0;
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
        nResult = CheckRecordOrder();
    }
    if (nResult == REC_DATA) {
        if (m_nRecordCount == 0) {
            m_dwFirstAddress = m_rec.dwAddress;
        }
        ++m_nRecordCount;
        m_nPrevRecordEnd = uint64_t{m_rec.dwAddress} + m_rec.wLength;
    }
    return nResult;
}

// The device gets the records of a pass one after the other from the first
// record's address on, filling only forward gaps: a record that starts below
// the end of the one before (going back, or overlapping it) would land at
// other addresses than the file gives.
int CRecordReader::CheckRecordOrder() {
    if (m_nRecordCount == 0 || m_rec.dwAddress >= m_nPrevRecordEnd) {
        return REC_DATA;
    }
    return FailOnLine("record goes back to " + Hex(m_rec.dwAddress, 8) +
                      ", below the end of the previous record " + Hex(m_nPrevRecordEnd, 8));
}

int CRecordReader::Fail(uint32_t nLine, std::string strWhy) {
    m_rec = UPDATE_RECORD{};
    m_nFailedLine = nLine;
    m_strFailure = std::move(strWhy);
    return REC_BAD;
}

// The next line of the update file: REC_DATA with a line, REC_END at the end
// of the file, REC_BAD on a read error and where a Ctrl-Z ended the file
// before more text (the lines after it would be left out).
int CRecordReader::ReadLine(std::string_view& line) {
    switch (m_file.ReadLine(line)) {
        case CTextFile::ReadResult::Line:
            ++m_nLineNumber;
            return REC_DATA;
        case CTextFile::ReadResult::End:
            break;
        case CTextFile::ReadResult::Error:
            return Fail(0, kReadError);
    }
    uint32_t nCtrlZLine = 0;
    uint32_t nTextLine = 0;
    if (m_file.TextAfterEndOfText(m_nLineNumber, &nCtrlZLine, &nTextLine)) {
        return Fail(nTextLine, DataAfterEnd("Ctrl-Z", nCtrlZLine));
    }
    return REC_END;
}

int CRecordReader::ReadHexRecord() {
    m_rec = UPDATE_RECORD{};
    std::string_view line;
    for (int nLines = 1;; ++nLines) {
        int nRead = ReadLine(line);
        // Five records of other types in a row fail the file, even when the
        // end of the file comes next.
        if (nLines == kMaxLinesPerHexRead) {
            return FailOnLine("five records in a row without data");
        }
        if (nRead != REC_DATA) {
            return nRead;
        }
        if (line.empty() || line[0] != ':') {
            return FailOnLine("not an Intel HEX record");
        }
        const std::string_view type = HexRecordType(line);
        if (type == "00") {
            break;
        }
        // Any other record type is passed over: the end of file (reading goes
        // on after it, but no data may follow), start addresses, and extended
        // addresses of 0.
        if (type == "01" && m_nDataEndLine == 0) {
            m_nDataEndLine = m_nLineNumber;
            m_strDataEnd = "end-of-file record";
        }
        if (CheckExtendedAddress(line, type) == REC_BAD) {
            return REC_BAD;
        }
    }
    if (m_nDataEndLine != 0) {
        return FailOnLine(DataAfterEnd(m_strDataEnd, m_nDataEndLine));
    }
    uint8_t abLine[kDecodeBufferSize] = {};
    char chLowerCase = 0;
    const int nBytes = DecodeHexPairs(abLine, line.substr(1), &chLowerCase);
    if (chLowerCase != 0) {
        return FailOnLine(LowerCaseFailure(chLowerCase));
    }
    if (nBytes > 0 && SumOfBytes(abLine, nBytes) != 0) {
        return FailOnLine(kChecksumMismatch);
    }
    // The length byte must match the line: length, two address bytes, type,
    // data and checksum. Data the line does not carry must never reach flash.
    const int nLength = abLine[0];
    if (nBytes != nLength + 5) {
        return FailOnLine(nBytes > nLength + 5 ? kLongerThanCount : kShorterThanCount);
    }
    m_rec.wLength = static_cast<uint16_t>(nLength);
    m_rec.dwAddress = static_cast<uint32_t>(abLine[1]) << 8 | abLine[2];
    std::memcpy(m_rec.abData, abLine + 4, static_cast<size_t>(nLength));
    return REC_DATA;
}

// An extended segment (02) or extended linear (04) address record moves every
// later address by its value, but the device takes 16-bit addresses: only a
// value of 0 changes nothing. REC_SKIP when the record may be passed over.
int CRecordReader::CheckExtendedAddress(std::string_view line, std::string_view type) {
    const char* pszName = type == "02"   ? "extended segment address"
                          : type == "04" ? "extended linear address"
                                         : nullptr;
    if (pszName == nullptr) {
        return REC_SKIP;
    }
    const std::string_view value = line.substr(9, 4);
    uint8_t abValue[kDecodeBufferSize] = {};
    char chLowerCase = 0;
    DecodeHexPairs(abValue, value, &chLowerCase);
    if (chLowerCase != 0) {
        return FailOnLine(LowerCaseFailure(chLowerCase));
    }
    const unsigned nValue = static_cast<unsigned>(abValue[0]) << 8 | abValue[1];
    if (nValue == 0) {
        return REC_SKIP;
    }
    return FailOnLine(std::string(pszName) + " " + Hex(nValue, 4) +
                      ": this device takes 16-bit addresses");
}

int CRecordReader::ReadSRecord() {
    m_rec = UPDATE_RECORD{};
    std::string_view line;
    int nRead = ReadLine(line);
    if (nRead != REC_DATA) {
        return nRead;
    }
    std::string_view type = line.substr(0, 2);
    if (type == "S0") {
        // One header line is passed over; if the file ends right after it the
        // type stays S0 and the data end here.
        std::string_view next;
        nRead = ReadLine(next);
        if (nRead == REC_BAD) {
            return REC_BAD;
        }
        if (nRead == REC_DATA) {
            line = next;
            type = line.substr(0, 2);
        }
    }
    const int nAddrBytes = GetAddressDigits(type) / 2;
    if (nAddrBytes == 0) {
        // S5, S7..S9, a second S0 or any other text ends the data.
        return EndSRecordData(line);
    }
    uint8_t abLine[kDecodeBufferSize] = {};
    char chLowerCase = 0;
    const int nBytes = DecodeHexPairs(abLine, line.substr(2), &chLowerCase);
    if (chLowerCase != 0) {
        return FailOnLine(LowerCaseFailure(chLowerCase));
    }
    const int nCount = abLine[0];
    // The count covers address, data and checksum; it must also leave room
    // for the address and the checksum, or the data length would be negative.
    if (nCount != nBytes - 1) {
        return FailOnLine(nBytes - 1 > nCount ? kLongerThanCount : kShorterThanCount);
    }
    if (nCount < nAddrBytes + 1) {
        return FailOnLine("count too small for its address");
    }
    if ((abLine[nBytes - 1] ^ SumOfBytes(abLine, nBytes - 1)) != 0xFF) {
        return FailOnLine(kChecksumMismatch);
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

// The S-record line just read is of another type and ends the data. The rest
// of the file is read at once: lines of other types may follow (an S5 count
// before the S9, blank lines), but a data record after the end would be left
// out of the image. REC_END when none follows.
int CRecordReader::EndSRecordData(std::string_view line) {
    if (m_nDataEndLine == 0) {
        m_nDataEndLine = m_nLineNumber;
        m_strDataEnd = SRecordEndName(line);
    }
    for (;;) {
        const int nRead = ReadLine(line);
        if (nRead != REC_DATA) {
            return nRead;
        }
        if (GetAddressDigits(line.substr(0, 2)) != 0) {
            return FailOnLine(DataAfterEnd(m_strDataEnd, m_nDataEndLine));
        }
    }
}

int CRecordReader::HexToBytes(uint8_t* pOut, std::string_view str) {
    char chLowerCase = 0;
    return DecodeHexPairs(pOut, str, &chLowerCase);
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
