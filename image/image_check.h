#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "image/block_digest.h"
#include "image/record_reader.h"

// A whole update file read once from start to end before anything is sent:
// whether a programming run would accept it, and if not, the line and the
// reason; the blocks as a run counts them, with their digest and the byte
// total the run's commit would carry; and what the record reader passes over
// on the way (records of other types, lines after the end of data, gaps it
// fills), so that a front end can warn about them. All of it comes from one
// pass of the run's own block source over the run's own reader, so the check
// and the run never disagree about a line.
class CImageCheck {
public:
    // Why a file failed the check.
    enum class EFailure {
        None,
        NotOpened,  // it does not open as an update file (WhyNotOpened says why)
        ReadError,  // the system could not read it
        BadRecord,  // the reader refused a line (m_eFault says how)
        NoData,     // no data record, or no data byte: a run would send nothing
        TooManyBlocks,
    };

    // The file a run loads when none is named, chosen as the run chooses it:
    // "kst.hex" (Intel HEX) when it opens, else "kst.a90" (S-records). False
    // when neither opens. When there is a "kst.hex" that did not open (a
    // directory, a FIFO, unreadable), *pstrHexFailure (if given) says why
    // (as WhyNotOpened); else it is left empty.
    static bool ChooseDefaultFile(std::string* pstrName, uint8_t* pnFormat,
                                  std::string* pstrHexFailure = nullptr);
    // Why pszPath does not open as an update file: "no such file", "a
    // directory, not a file", "a FIFO, not a regular file", "permission
    // denied", ...
    static std::string WhyNotOpened(const char* pszPath);
    // The format of a file from its first non-blank character: ':' Intel HEX,
    // 'S' S-records. False when the file cannot be read or starts otherwise.
    static bool DetectFormat(const char* pszPath, uint8_t* pnFormat);

    // Reads pszPath in nFormat to its end, once. True when a run would send
    // it: every record read, at least one data byte. The fields below hold
    // what was found, also after a failure (up to the failing line).
    bool Check(const char* pszPath, uint8_t nFormat);

    // The failure: its kind, the reader's fault for a refused line, the line
    // (0 when it concerns the file as a whole) and what is wrong ("checksum
    // mismatch", "no data records", ...).
    EFailure m_eFailure = EFailure::None;
    ERecordFault m_eFault = ERecordFault::None;
    uint32_t m_nFailedLine = 0;
    std::string m_strFailure;

    // The data as a run sends it.
    uint32_t m_dwFirstAddress = 0;  // load address of the first data record
    uint32_t m_nDataRecords = 0;
    uint64_t m_nDataBytes = 0;  // bytes the records carry, without fill
    int m_nBlockCount = 0;      // 256-byte blocks counted as a run counts them
    // Those blocks as a run's count pass sees them: a run that loads the file
    // later can tell whether it is still the image that was checked. Its
    // SHA-256 is the image's identity, its FinishTotal what the commit carries.
    CBlockDigest m_digest;

    // What the reader passes over or fills.
    uint32_t m_nGaps = 0;      // forward address gaps, filled with 0xFF
    uint64_t m_nGapBytes = 0;  // their fill bytes
    // Records of other types passed over, by their type ("04", "S0", ...).
    std::map<std::string, uint32_t> m_otherRecords;
    // Where the data end before the end of the file: S-records, the line of
    // the record that ends them; Intel HEX, the first end-of-file record
    // (reading goes on after it). 0 when there is none. Only lines that are
    // no data records may follow it.
    uint32_t m_nEndLine = 0;
    std::string m_strEndType;       // the type of that line ("S9", "01", or "" for other text)
    uint32_t m_nLinesAfterEnd = 0;  // lines after m_nEndLine
    uint32_t m_nLines = 0;          // lines in the file

private:
    bool Fail(EFailure eFailure, uint32_t nLine, const std::string& strWhy);
};
