#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "image/text_file.h"
#include "image/update_record.h"

// Why the reader refused the file (REC_BAD).
enum class ERecordFault {
    None,
    ReadError,            // the file could not be read: no line is to blame
    NotARecord,           // an Intel HEX line that does not begin with ':'
    TooManyOtherRecords,  // five Intel HEX records in a row without data
    LowerCaseDigit,       // a-f, which are no digits to the reader
    ChecksumMismatch,
    LongerThanCount,   // the line carries more bytes than its length or count says
    ShorterThanCount,  // ... or fewer
    CountTooSmall,     // an S-record count that leaves no room for the address
    ExtendedAddress,   // an Intel HEX extended address other than 0
    GoesBack,          // a record starts below the end of the one before
    DataAfterEnd,      // a data record after the end of the data
};

// What a pass reads without taking it as data, noted as it reads, so that a
// front end can warn about it without reading the file again.
struct SPassedOver {
    // Records of other types, by their type: Intel HEX "01", "04", ... (the
    // two characters where the type stands), S-record "S0" headers.
    std::map<std::string, uint32_t> otherRecords;
    // Where the data end before the end of the file, 0 while they go on: the
    // first Intel HEX end-of-file record (reading goes on after it), or the
    // S-record line of another type. Only lines without data may follow.
    uint32_t nDataEndLine = 0;
    // The type of that line: "01", "S9", "S5", ...; "" for a line of no
    // record type (blank or other text).
    std::string strDataEndType;
};

// The update-file record reader: opens the file in one format, reads it line
// by line and yields its data records one at a time in m_rec, with the load
// address of the pass's first data record. Knows nothing of blocks or of the
// device; the block source lays the records out. Each format has its reader
// (hex_record.cpp, s_record.cpp) over the shared hex digits and checksums.
//
// The device is sent its image as one run of bytes from the first record's
// address onward, so the reader refuses (REC_BAD) every file whose records
// would not land where the file puts them: a data record that starts below
// the end of the one before it, data after the end of the data (after an
// S-record line of another type, an Intel HEX end-of-file record, or a
// Ctrl-Z), an Intel HEX extended address other than 0, and a data record
// written with lower-case hex digits (which are no digits to the reader).
//
// The fields are public on purpose: the block source, the whole-file check
// and the tests read the current record and the counters directly.
class CRecordReader {
public:
    // Opens pszName (after rewinding the file open before, if any). On
    // success the file is at its start in nFormat; on failure no file is open
    // and m_nFormat is unchanged.
    bool OpenUpdateFile(const char* pszName, uint8_t nFormat);
    // Begins a new pass: no record read, nothing passed over, no failure,
    // first address 0, file at its start.
    void RewindUpdateFile();
    // Closes the file (if one is open); always true.
    bool CloseUpdateFile();
    bool IsOpen() const { return m_file.IsOpen(); }

    // The next data record of the pass: REC_DATA (in m_rec), REC_END once the
    // data have ended (for good: whatever follows the end has been read and
    // holds no data, so the whole file has been read), or REC_BAD with the
    // fault, its line and its text in m_eFault, m_nFailedLine, m_strFailure.
    // After REC_BAD the pass is of no use. What the reader passes over on the
    // way is added to m_passedOver.
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
    // returned (or the last line read on the way to a failure or the end);
    // once the data have ended, the lines of the file.
    uint32_t m_nLineNumber = 0;
    SPassedOver m_passedOver;  // what this pass has read without taking it as data
    // The last REC_BAD: its fault, the line it concerns (0 for the file as a
    // whole, a read error) and a short phrase ("checksum mismatch").
    ERecordFault m_eFault = ERecordFault::None;
    uint32_t m_nFailedLine = 0;
    std::string m_strFailure;

private:
    // Notes why the line failed; returns REC_BAD.
    int Fail(ERecordFault eFault, uint32_t nLine, std::string strWhy);
    int FailOnLine(ERecordFault eFault, std::string strWhy) {
        return Fail(eFault, m_nLineNumber, std::move(strWhy));
    }
    int FailLowerCase(char chDigit);
    int FailDataAfterEnd() {
        return FailDataAfterEnd(m_nLineNumber, m_strDataEnd, m_passedOver.nDataEndLine);
    }
    int FailDataAfterEnd(uint32_t nLine, const std::string& strEnd, uint32_t nEndLine);
    // Notes where the data end: the line just read, of type strType, named
    // strName in diagnostics ("S5 line").
    void NoteDataEnd(std::string_view strType, std::string strName);
    int ReadLine(std::string_view& line);
    int CheckExtendedAddress(std::string_view line, std::string_view type);
    int EndSRecordData(std::string_view line);
    int CheckRecordOrder();

    uint64_t m_nPrevRecordEnd = 0;  // just past the previous data record of the pass
    std::string m_strDataEnd;       // what ended the data: "S5 line", "end-of-file record", ...
};
