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

// The current data record.
struct UPDATE_RECORD {
    uint32_t dwAddress;  // load address of the first data byte
    uint16_t wLength;    // number of data bytes
    uint8_t abData[40];  // the data bytes (one decoded line carries at most 36)
    int nAddrBytes;      // S-records: 2 (S1), 3 (S2), 4 (S3), else 0; Intel HEX: 0
};
