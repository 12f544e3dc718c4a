// The update file checked as a whole: three reads from its start, each
// bounded in memory however long the file. The records with the run's own
// reader (the verdict and the line numbers), the plain lines (the types the
// reader passes over), and the blocks with the run's own block source (the
// count the device will be told about).

#include "image/image_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include "image/block_source.h"
#include "image/record_reader.h"
#include "image/text_file.h"

namespace {

// "S7", "S9", ...: the type of an S-record line; "" for other text.
std::string SRecordType(std::string_view line) {
    if (line.size() >= 2 && line[0] == 'S' && std::isdigit(static_cast<unsigned char>(line[1]))) {
        return std::string(line.substr(0, 2));
    }
    return "";
}

}  // namespace

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
    if (!ReadRecords(pszPath, nFormat)) {
        return false;
    }
    CountLines(pszPath, nFormat);
    return CountBlocks(pszPath, nFormat);
}

bool CImageCheck::Fail(uint32_t nLine, const std::string& strWhy) {
    m_nFailedLine = nLine;
    m_strFailure = strWhy;
    return false;
}

// The records as a run reads them, up to the end of the data.
bool CImageCheck::ReadRecords(const char* pszPath, uint8_t nFormat) {
    CRecordReader reader;
    if (!reader.OpenUpdateFile(pszPath, nFormat)) {
        return Fail(0, WhyNotOpened(pszPath));
    }
    uint32_t dwPrevEnd = 0;
    for (;;) {
        const int nResult = reader.ReadNextRecord();
        if (nResult == REC_BAD) {
            return Fail(reader.m_nFailedLine, reader.m_strFailure);
        }
        if (nResult == REC_END) {
            // An S-record line of another type ended the data (0: the file did).
            if (nFormat == FMT_SRECORD) {
                m_nEndLine = reader.m_nDataEndLine;
            }
            break;
        }
        // The reader lets no record start below the end of the one before.
        const UPDATE_RECORD& rec = reader.m_rec;
        if (m_nDataRecords == 0) {
            m_dwFirstAddress = rec.dwAddress;
        } else if (rec.dwAddress > dwPrevEnd) {
            ++m_nGaps;
            m_nGapBytes += rec.dwAddress - dwPrevEnd;
        }
        dwPrevEnd = rec.dwAddress + rec.wLength;
        ++m_nDataRecords;
        m_nDataBytes += rec.wLength;
    }
    if (m_nDataRecords == 0) {
        return Fail(0, "no data records");
    }
    return true;
}

// The lines, for what the reader passes over: Intel HEX records of other
// types (the reader reads every line), S-record headers before the end of
// the data and the type of the line that ends them.
void CImageCheck::CountLines(const char* pszPath, uint8_t nFormat) {
    CTextFile file;
    if (!file.Open(pszPath)) {
        return;
    }
    std::string_view line;
    while (file.ReadLine(line) == CTextFile::ReadResult::Line) {
        ++m_nLines;
        if (nFormat == FMT_INTEL_HEX) {
            const std::string strType(line.size() > 7 ? line.substr(7, 2) : "");
            if (strType != "00") {
                ++m_otherRecords[strType];
            }
            if (strType == "01" && m_nEndLine == 0) {
                m_nEndLine = m_nLines;
            }
        } else if (m_nLines == m_nEndLine) {
            m_strEndType = SRecordType(line);
        } else if ((m_nEndLine == 0 || m_nLines < m_nEndLine) && SRecordType(line) == "S0") {
            ++m_otherRecords["S0"];
        }
    }
    if (nFormat == FMT_INTEL_HEX && m_nEndLine != 0) {
        m_strEndType = "01";
    }
    m_nLinesAfterEnd = m_nEndLine != 0 ? m_nLines - m_nEndLine : 0;
}

bool CImageCheck::CountBlocks(const char* pszPath, uint8_t nFormat) {
    CBlockSource source;
    const bool bCounted = source.LoadUpdateImageFile(pszPath, nFormat);
    source.CloseUpdateImage();
    if (!bCounted) {
        return Fail(0, "the blocks could not be counted");
    }
    m_nBlockCount = source.m_nBlockCount;
    m_digest = source.m_countDigest;
    return true;
}
