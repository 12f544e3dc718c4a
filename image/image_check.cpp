// The update file checked as a whole in one pass from its start, bounded in
// memory however long the file: the run's own block source counts the blocks
// and hashes them, and its reader notes on the way what it passes over.

#include "image/image_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include "image/block_source.h"
#include "image/text_file.h"

bool CImageCheck::ChooseDefaultFile(std::string* pstrName, uint8_t* pnFormat,
                                    std::string* pstrHexFailure) {
    const std::pair<const char*, uint8_t> candidates[] = {{"kst.hex", FMT_INTEL_HEX},
                                                          {"kst.a90", FMT_SRECORD}};
    for (const auto& [pszName, nFormat] : candidates) {
        CTextFile file;
        if (file.Open(pszName)) {
            *pstrName = pszName;
            *pnFormat = nFormat;
            return true;
        }
        if (pstrHexFailure != nullptr && nFormat == FMT_INTEL_HEX) {
            struct stat st {};
            const bool bThere = stat(pszName, &st) == 0;
            *pstrHexFailure = bThere ? WhyNotOpened(pszName) : "";
        }
    }
    return false;
}

std::string CImageCheck::WhyNotOpened(const char* pszPath) {
    struct stat st {};
    if (stat(pszPath, &st) != 0) {
        return "no such file";
    }
    if (S_ISDIR(st.st_mode)) {
        return "a directory, not a file";
    }
    if (S_ISFIFO(st.st_mode)) {
        return "a FIFO, not a regular file";
    }
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
        return "a device, not a regular file";
    }
    if (!S_ISREG(st.st_mode)) {
        return "not a regular file";
    }
    if (access(pszPath, R_OK) != 0) {
        return "permission denied";
    }
    return "cannot be opened";
}

bool CImageCheck::DetectFormat(const char* pszPath, uint8_t* pnFormat) {
    CTextFile file;
    if (!file.Open(pszPath)) {
        return false;
    }
    std::string_view line;
    while (file.ReadLine(line) == CTextFile::ReadResult::Line) {
        for (char c : line) {
            if (c == ':' || c == 'S') {
                *pnFormat = c == ':' ? FMT_INTEL_HEX : FMT_SRECORD;
                return true;
            }
            if (!std::isspace(static_cast<unsigned char>(c))) {
                return false;
            }
        }
    }
    return false;
}

bool CImageCheck::Check(const char* pszPath, uint8_t nFormat) {
    *this = CImageCheck();
    CBlockSource source;
    if (!source.OpenUpdateFile(pszPath, nFormat)) {
        return Fail(EFailure::NotOpened, 0, WhyNotOpened(pszPath));
    }
    // Counting reads the file to its end: the data end only where nothing
    // but lines without data follows.
    const bool bCounted = source.CountBlocks(&m_nBlockCount);
    source.CloseUpdateFile();

    const CRecordReader& reader = source.m_reader;
    m_dwFirstAddress = reader.GetFirstAddress();
    m_nDataRecords = reader.m_nRecordCount;
    m_nDataBytes = source.m_nDataBytes;
    m_nGaps = source.m_nGaps;
    m_nGapBytes = source.m_nGapBytes;
    m_otherRecords = reader.m_passedOver.otherRecords;
    m_nEndLine = reader.m_passedOver.nDataEndLine;
    m_strEndType = reader.m_passedOver.strDataEndType;
    m_nLines = reader.m_nLineNumber;
    m_nLinesAfterEnd = m_nEndLine != 0 ? m_nLines - m_nEndLine : 0;

    if (!bCounted) {
        m_eFault = reader.m_eFault;
        if (m_eFault == ERecordFault::None) {
            return Fail(EFailure::TooManyBlocks, 0, "too many blocks to count");
        }
        const EFailure eFailure =
            m_eFault == ERecordFault::ReadError ? EFailure::ReadError : EFailure::BadRecord;
        return Fail(eFailure, reader.m_nFailedLine, reader.m_strFailure);
    }
    if (m_nDataRecords == 0) {
        return Fail(EFailure::NoData, 0, "no data records");
    }
    if (m_nBlockCount == 0) {
        return Fail(EFailure::NoData, 0, "no data bytes");
    }
    m_digest = source.m_countDigest;
    return true;
}

bool CImageCheck::Fail(EFailure eFailure, uint32_t nLine, const std::string& strWhy) {
    m_eFailure = eFailure;
    m_nFailedLine = nLine;
    m_strFailure = strWhy;
    return false;
}
