// The S-record reader: one data record a call. One S0 header before a data
// line is passed over (and noted); any other line that is no S1, S2 or S3
// record ends the data, and the rest of the file is read at once to make sure
// no data record follows.

#include <cstring>

#include "image/hex_digits.h"
#include "image/record_reader.h"

namespace {

constexpr std::string_view kHeaderType = "S0";

// The type of an S-record line that is no data record: "S9", "S5"; "" for a
// blank line or other text.
std::string_view SRecordType(std::string_view line) {
    if (line.size() >= 2 && line[0] == 'S' && line[1] >= '0' && line[1] <= '9') {
        return line.substr(0, 2);
    }
    return {};
}

// What such a line is called in diagnostics: "S9 line", "blank line".
std::string SRecordEndName(std::string_view line) {
    if (line.find_first_not_of(" \t\r\v\f") == std::string_view::npos) {
        return "blank line";
    }
    const std::string_view type = SRecordType(line);
    return type.empty() ? "non-record line" : std::string(type) + " line";
}

}  // namespace

int CRecordReader::ReadSRecord() {
    m_rec = UPDATE_RECORD{};
    std::string_view line;
    int nRead = ReadLine(line);
    if (nRead != REC_DATA) {
        return nRead;
    }
    std::string_view type = line.substr(0, 2);
    if (type == kHeaderType) {
        // One header line is passed over; if the file ends right after it the
        // type stays S0 and the data end here.
        std::string_view next;
        nRead = ReadLine(next);
        if (nRead == REC_BAD) {
            return REC_BAD;
        }
        if (nRead == REC_DATA) {
            ++m_passedOver.otherRecords[std::string(kHeaderType)];
            line = next;
            type = line.substr(0, 2);
        }
    }
    const int nAddrBytes = GetAddressDigits(type) / 2;
    if (nAddrBytes == 0) {
        // S5, S7..S9, a second S0 or any other text ends the data.
        return EndSRecordData(line);
    }
    uint8_t abLine[kDecodeRoom] = {};
    char chLowerCase = 0;
    const int nBytes = DecodeHexPairs(abLine, line.substr(2), &chLowerCase);
    if (chLowerCase != 0) {
        return FailLowerCase(chLowerCase);
    }
    const int nCount = abLine[0];
    // The count covers address, data and checksum; it must also leave room
    // for the address and the checksum, or the data length would be negative.
    if (nCount != nBytes - 1) {
        return nBytes - 1 > nCount
                   ? FailOnLine(ERecordFault::LongerThanCount, "record longer than its count")
                   : FailOnLine(ERecordFault::ShorterThanCount, "record shorter than its count");
    }
    if (nCount < nAddrBytes + 1) {
        return FailOnLine(ERecordFault::CountTooSmall, "count too small for its address");
    }
    if ((abLine[nBytes - 1] ^ SumOfBytes(abLine, nBytes - 1)) != 0xFF) {
        return FailOnLine(ERecordFault::ChecksumMismatch, "checksum mismatch");
    }
    uint32_t dwAddress = 0;
    for (int i = 1; i <= nAddrBytes; ++i) {
        dwAddress = dwAddress << 8 | abLine[i];
    }
    const int nLength = nBytes - nAddrBytes - 2;
    m_rec.dwAddress = dwAddress;
    m_rec.wLength = static_cast<uint16_t>(nLength);
    m_rec.nAddrBytes = nAddrBytes;
    // A copy of fixed length is a few moves; the block source takes wLength.
    std::memcpy(m_rec.abData, abLine + 1 + nAddrBytes, kMaxRecordData);
    return REC_DATA;
}

// The S-record line just read is of another type and ends the data. The rest
// of the file is read at once: lines of other types may follow (an S5 count
// before the S9, blank lines), but a data record after the end would be left
// out of the image. REC_END when none follows.
int CRecordReader::EndSRecordData(std::string_view line) {
    NoteDataEnd(SRecordType(line), SRecordEndName(line));
    for (;;) {
        const int nRead = ReadLine(line);
        if (nRead != REC_DATA) {
            return nRead;
        }
        if (GetAddressDigits(line.substr(0, 2)) != 0) {
            return FailDataAfterEnd();
        }
    }
}
