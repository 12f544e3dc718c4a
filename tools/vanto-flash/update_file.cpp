#include "tools/vanto-flash/update_file.h"

#include "image/sha256.h"
#include "image/text_file.h"
#include "tools/vanto-flash/text_format.h"

namespace {

constexpr uint64_t kBlockBytes = 256;
// An image whose span is this many times its data, and at least 64 KiB, is
// mostly fill: worth a warning before hours go by on the wire.
constexpr uint64_t kFillFactor = 16;
constexpr uint64_t kFillMinimum = 64 * 1024;

std::string Location(const std::string& strPath, uint32_t nLine) {
    return nLine == 0 ? strPath : strPath + ":" + std::to_string(nLine);
}

const char* HexRecordName(const std::string& strType) {
    if (strType == "01") {
        return "end of file";
    }
    if (strType == "02") {
        return "extended segment address";
    }
    if (strType == "03") {
        return "start segment address";
    }
    if (strType == "04") {
        return "extended linear address";
    }
    return strType == "05" ? "start linear address" : "unknown type";
}

std::string Count(uint64_t n, const char* pszOne, const char* pszMany) {
    return WithThousands(n) + " " + (n == 1 ? pszOne : pszMany);
}

// "1 record of type 04 (extended linear address), 2 S0 headers"
std::string PassedOverList(const SUpdateFile& file) {
    std::string strList;
    for (const auto& [strType, nCount] : file.check.m_otherRecords) {
        strList += strList.empty() ? "" : ", ";
        if (file.nFormat == FMT_SRECORD) {
            strList += Count(nCount, "S0 header", "S0 headers");
        } else {
            strList += Count(nCount, "record", "records") + " of type " + strType + " (" +
                       HexRecordName(strType) + ")";
        }
    }
    return strList;
}

void Warn(std::FILE* pErr, const SUpdateFile& file, uint32_t nLine, const std::string& strText) {
    std::fprintf(pErr, "%s: warning: %s\n", Location(file.strPath, nLine).c_str(), strText.c_str());
}

void WarnAboutEnd(const SUpdateFile& file, std::FILE* pErr) {
    const CImageCheck& check = file.check;
    if (check.m_nLinesAfterEnd == 0) {
        return;
    }
    const std::string strLines = Count(check.m_nLinesAfterEnd, "line follows", "lines follow");
    if (file.nFormat == FMT_SRECORD) {
        const std::string strWhat =
            check.m_strEndType.empty() ? "a line that is no data record" : check.m_strEndType;
        Warn(pErr, file, check.m_nEndLine,
             "the data end at " + strWhat + "; " + strLines + ", passed over");
    } else {
        Warn(pErr, file, check.m_nEndLine,
             strLines + " the end-of-file record; they are read as well");
    }
}

// Records that go back, extended addresses other than 0 and data after the
// end never get here: the check refuses such a file.
void WarnAboutLayout(const SUpdateFile& file, std::FILE* pErr) {
    const CImageCheck& check = file.check;
    if (check.m_nGaps != 0) {
        Warn(pErr, file, 0,
             Count(check.m_nGaps, "gap", "gaps") + " filled with 0xFF (" +
                 Count(check.m_nGapBytes, "byte", "bytes") + ")");
    }
    const uint64_t nSpan = static_cast<uint64_t>(check.m_nBlockCount) * kBlockBytes;
    if (nSpan >= kFillMinimum && nSpan > kFillFactor * check.m_nDataBytes) {
        Warn(pErr, file, 0,
             "the image spans " + ByteSize(nSpan) + ", " +
                 Count(static_cast<uint64_t>(check.m_nBlockCount), "block", "blocks") + ", about " +
                 Duration(WireSeconds(static_cast<uint64_t>(check.m_nBlockCount))) +
                 " at 38400 baud, for " + Count(check.m_nDataBytes, "byte", "bytes") + " of data");
    }
}

}  // namespace

const char* FormatName(uint8_t nFormat) {
    return nFormat == FMT_INTEL_HEX ? "Intel HEX" : "S-records";
}

bool PrepareUpdateFile(const SFlashOptions& options, SUpdateFile* pFile, std::FILE* pErr) {
    if (options.strFile.empty()) {
        std::string strHexFailure;
        if (!CImageCheck::ChooseDefaultFile(&pFile->strPath, &pFile->nFormat, &strHexFailure)) {
            std::fputs("kst.hex, kst.a90: neither opens in the working directory\n", pErr);
            return false;
        }
        if (pFile->nFormat == FMT_SRECORD && !strHexFailure.empty()) {
            // The run reads kst.a90 as the wizard would; say why, or the user
            // may think the kst.hex in the folder is the one sent.
            std::fprintf(pErr, "kst.hex: %s; using kst.a90\n", strHexFailure.c_str());
        }
    } else {
        pFile->strPath = options.strFile;
        if (options.nFormat >= 0) {
            pFile->nFormat = static_cast<uint8_t>(options.nFormat);
        } else if (!CImageCheck::DetectFormat(pFile->strPath.c_str(), &pFile->nFormat) &&
                   CTextFile().Open(pFile->strPath.c_str())) {
            // It opens, but starts with neither record mark: say so rather
            // than what the Intel HEX reader would make of it. A file that
            // does not open is left to the check, which says why.
            std::fprintf(pErr, "%s: neither Intel HEX (':') nor S-records ('S')\n",
                         pFile->strPath.c_str());
            return false;
        }
    }
    CImageCheck& check = pFile->check;
    if (check.Check(pFile->strPath.c_str(), pFile->nFormat)) {
        return true;
    }
    std::fprintf(pErr, "%s: %s\n", Location(pFile->strPath, check.m_nFailedLine).c_str(),
                 check.m_strFailure.c_str());
    return false;
}

std::string SendingLine(const SUpdateFile& file) {
    const auto nBlocks = static_cast<uint64_t>(file.check.m_nBlockCount);
    return file.strPath + ": " + FormatName(file.nFormat) + ", first address " +
           Hex32(file.check.m_dwFirstAddress) + ", " + Count(nBlocks, "block", "blocks") + " (" +
           WithThousands(nBlocks * kBlockBytes) + " bytes), about " +
           Duration(WireSeconds(nBlocks)) + " at 38400 baud";
}

void PrintPassedOver(const SUpdateFile& file, std::FILE* pOut, std::FILE* pErr) {
    const std::string strList = PassedOverList(file);
    if (!strList.empty()) {
        std::fprintf(pOut, "passed over: %s\n", strList.c_str());
    }
    std::fflush(pOut);
    PrintWarnings(file, pErr);
}

void PrintWarnings(const SUpdateFile& file, std::FILE* pErr) {
    WarnAboutEnd(file, pErr);
    WarnAboutLayout(file, pErr);
}

void NoteFileInReport(const SUpdateFile& file, SRunReport* pReport) {
    pReport->strFile = file.strPath;
    pReport->strFormat = FormatName(file.nFormat);
    pReport->strSha256 = CSha256::ToHex(file.check.m_digest.m_hash);
    pReport->nBlockTotal = static_cast<int>(file.check.m_nBlockCount);
}
