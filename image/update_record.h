#pragma once

#include <cstdint>

// Formats of the update file.
inline constexpr uint8_t FMT_INTEL_HEX = 0;  // kst.hex
inline constexpr uint8_t FMT_SRECORD = 1;    // kst.a90

// Results of the record readers (separate from the UPD_ result codes).
inline constexpr int REC_DATA = 0;  // a data record is in m_rec
inline constexpr int REC_END = 1;   // end of data
inline constexpr int REC_BAD = 2;   // bad line or record
inline constexpr int REC_SKIP = 4;  // Intel HEX, inside the reader: record of another type

// Longest decoded line: the record readers decode at most this many bytes.
inline constexpr int kDecodeBufferSize = 40;
// The most data bytes one decoded line can carry (an S1 line of count 39).
inline constexpr int kMaxRecordData = 36;
// A decoding buffer with room behind the line, so that the data of any record
// can be taken as kMaxRecordData bytes from where they start (at most byte 5).
inline constexpr int kDecodeRoom = kDecodeBufferSize + 8;

// The current data record.
struct UPDATE_RECORD {
    uint32_t dwAddress;  // load address of the first data byte
    uint16_t wLength;    // number of data bytes
    // The wLength data bytes; what follows them up to kMaxRecordData is the
    // rest of the decoded line (checksum, zeros) and means nothing.
    uint8_t abData[40];
    int nAddrBytes;  // S-records: 2 (S1), 3 (S2), 4 (S3), else 0; Intel HEX: 0
};
