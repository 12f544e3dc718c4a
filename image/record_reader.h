#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "image/text_file.h"
#include "image/update_record.h"

// The update-file record reader: opens the file in one format, reads it line
// by line and yields its data records one at a time in m_rec, with the load
// address of the pass's first data record. Knows nothing of blocks or of the
// device; the block source lays the records out.
//
// The device is sent its image as one run of bytes from the first record's
// address onward, so the reader refuses (REC_BAD) every file whose records
// would not land where the file puts them: a data record that starts below
// the end of the one before it, data after the end of the data (after an
// S-record line of another type, an Intel HEX end-of-file record, or a
// Ctrl-Z), an Intel HEX extended address other than 0, and a data record
// written with lower-case hex digits (which are no digits to the reader).
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

    // The next data record of the pass: REC_DATA (in m_rec), REC_END once the
    // data have ended (for good: whatever follows the end has been read and
    // holds no data), or REC_BAD with the line and the reason in
    // m_nFailedLine and m_strFailure. After REC_BAD the pass is of no use.
    int ReadNextRecord();
    // The format readers, one data record a call; ReadNextRecord adds the
    // order of the records.
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
    // returned (or the last line read on the way to a failure or the end).
    uint32_t m_nLineNumber = 0;
    // Where the data ended in this pass, 0 while they go on: the S-record
    // line of another type, or the first Intel HEX end-of-file record.
    uint32_t m_nDataEndLine = 0;
    // Why the last REC_BAD: a short phrase such as "checksum mismatch", and
    // the line it concerns (0 when it is the file as a whole, a read error).
    std::string m_strFailure;
    uint32_t m_nFailedLine = 0;

private:
    // Notes why the line failed; returns REC_BAD.
    int Fail(uint32_t nLine, std::string strWhy);
    int FailOnLine(std::string strWhy) { return Fail(m_nLineNumber, std::move(strWhy)); }
    int ReadLine(std::string_view& line);
    int CheckExtendedAddress(std::string_view line, std::string_view type);
    int EndSRecordData(std::string_view line);
    int CheckRecordOrder();

    uint64_t m_nPrevRecordEnd = 0;  // just past the previous data record of the pass
    std::string m_strDataEnd;       // what ended the data: "S5 line", "end-of-file record", ...
};
