// The Intel HEX reader: one data record a call. Every line is read, to the
// physical end of the file; records of other types are passed over (and
// noted), the end-of-file record ends the data but not the reading.

#include <cstdio>
#include <cstring>

#include "image/hex_digits.h"
#include "image/record_reader.h"

namespace {

// The sixth line read in one call fails the file.
constexpr int kMaxLinesPerHexRead = 6;
constexpr std::string_view kDataType = "00";
constexpr std::string_view kEndOfFileType = "01";

// The record type of an Intel HEX line: the two characters after the colon,
// the two length digits and the four address digits (fewer on a short line).
std::string_view HexRecordType(std::string_view line) {
    return line.size() > 7 ? line.substr(7, 2) : std::string_view{};
}

}  // namespace

int CRecordReader::ReadHexRecord() {
    m_rec = UPDATE_RECORD{};
    std::string_view line;
    for (int nLines = 1;; ++nLines) {
        int nRead = ReadLine(line);
        // Five records of other types in a row fail the file, even when the
        // end of the file comes next.
        if (nLines == kMaxLinesPerHexRead) {
            return FailOnLine(ERecordFault::TooManyOtherRecords,
                              "five records in a row without data");
        }
        if (nRead != REC_DATA) {
            return nRead;
        }
        if (line.empty() || line[0] != ':') {
            return FailOnLine(ERecordFault::NotARecord, "not an Intel HEX record");
        }
        const std::string_view type = HexRecordType(line);
        if (type == kDataType) {
            break;
        }
        // Any other record type is passed over: the end of file (reading goes
        // on after it, but no data may follow), start addresses, and extended
        // addresses of 0.
        ++m_passedOver.otherRecords[std::string(type)];
        if (type == kEndOfFileType) {
            NoteDataEnd(type, "end-of-file record");
        }
        if (CheckExtendedAddress(line, type) == REC_BAD) {
            return REC_BAD;
        }
    }
    if (m_passedOver.nDataEndLine != 0) {
        return FailDataAfterEnd();
    }
    uint8_t abLine[kDecodeRoom] = {};
    char chLowerCase = 0;
    const int nBytes = DecodeHexPairs(abLine, line.substr(1), &chLowerCase);
    if (chLowerCase != 0) {
        return FailLowerCase(chLowerCase);
    }
    if (nBytes > 0 && SumOfBytes(abLine, nBytes) != 0) {
        return FailOnLine(ERecordFault::ChecksumMismatch, "checksum mismatch");
    }
    // The length byte must match the line: length, two address bytes, type,
    // data and checksum. Data the line does not carry must never reach flash.
    const int nLength = abLine[0];
    if (nBytes != nLength + 5) {
        return nBytes > nLength + 5
                   ? FailOnLine(ERecordFault::LongerThanCount, "record longer than its count")
                   : FailOnLine(ERecordFault::ShorterThanCount, "record shorter than its count");
    }
    m_rec.wLength = static_cast<uint16_t>(nLength);
    m_rec.dwAddress = static_cast<uint32_t>(abLine[1]) << 8 | abLine[2];
    // A copy of fixed length is a few moves; the block source takes wLength.
    std::memcpy(m_rec.abData, abLine + 4, kMaxRecordData);
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
        return FailLowerCase(chLowerCase);
    }
    const unsigned nValue = static_cast<unsigned>(abValue[0]) << 8 | abValue[1];
    if (nValue == 0) {
        return REC_SKIP;
    }
    char szValue[8];
    std::snprintf(szValue, sizeof szValue, "0x%04X", nValue);
    return FailOnLine(ERecordFault::ExtendedAddress, std::string(pszName) + " " + szValue +
                                                         ": this device takes 16-bit addresses");
}
