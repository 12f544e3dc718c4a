#pragma once

#include <cstdint>
#include <string_view>

#include "image/text_file.h"
#include "image/update_record.h"

// The update-file record reader: opens the file in one format, reads it line
// by line and yields its data records one at a time in m_rec, with the load
// address of the pass's first data record. Knows nothing of blocks or of the
// device; the block source lays the records out.
//
// The fields are public on purpose: the block source and the tests read the
// current record and the counters directly.
class CRecordReader {
public:
    // Opens pszName (after rewinding the file open before, if any). On
    // success the file is at its start in nFormat; on failure no file is open
    // and m_nFormat is unchanged.
    bool OpenUpdateFile(const char* pszName, uint8_t nFormat);
    // Begins a new pass: no record read yet, first address 0, file at its start.
    void RewindUpdateFile();
    bool CloseUpdateFile();
    bool IsOpen() const { return m_file.IsOpen(); }

    // The next record: REC_DATA (in m_rec), REC_END or REC_BAD.
    int ReadNextRecord();
    int ReadHexRecord();
    int ReadSRecord();
    // Decodes hex-digit pairs of str into pOut (at most 40 bytes); returns the count.
    static int HexToBytes(uint8_t* pOut, std::string_view str);
    // "S1" 4, "S2" 6, "S3" 8, anything else 0.
    static int GetAddressDigits(std::string_view strType);
    uint32_t GetFirstAddress() const { return m_dwFirstAddress; }

    uint8_t m_nFormat = FMT_INTEL_HEX;  // format of the open file
    uint32_t m_nRecordCount = 0;        // data records read in this pass
    UPDATE_RECORD m_rec{};              // the current record
    CTextFile m_file;                   // the update file
    uint32_t m_dwFirstAddress = 0;      // load address of the pass's first record
    // Lines read in this pass: after a read, the line of the record it
    // returned (or of the line that failed or ended the data).
    uint32_t m_nLineNumber = 0;
    // Why the last REC_BAD: a short phrase such as "checksum mismatch".
    const char* m_pszFailure = "";

private:
    // Notes why the line failed; returns REC_BAD.
    int Fail(const char* pszWhy);
};
