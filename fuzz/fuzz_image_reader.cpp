// libFuzzer target for the update-file readers and the block source
// together: the input is an update file, read as the format its first
// character names (':' Intel HEX, anything else S-records) and then as the
// other one. Every block must stay within its 256 bytes, a failed block
// delivers nothing, the carry-over never exceeds its buffer, counting then
// reading again gives the same blocks, and the one-pass whole-file check
// agrees with the count. The table-driven hex decoding must give what the
// digit rules give character by character, and the processor's SHA-256
// instructions what the portable code gives.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "image/block_source.h"
#include "image/image_check.h"
#include "image/sha256_blocks.h"

namespace {

// Enough for every short input to be read whole; a few records with huge
// gaps would otherwise spend the run filling blocks with 0xFF.
constexpr int kMaxBlocksPerPass = 4096;

void Check(bool bCondition) {
    if (!bCondition) {
        __builtin_trap();
    }
}

// The file the block source reads: one memory file for the whole fuzzing run.
const std::string& InputPath(const uint8_t* pData, size_t nSize) {
    static int fd = memfd_create("update-file", 0);
    static const std::string strPath = "/proc/self/fd/" + std::to_string(fd);
    Check(fd >= 0);
    Check(ftruncate(fd, 0) == 0);
    Check(pwrite(fd, pData, nSize, 0) == static_cast<ssize_t>(nSize));
    return strPath;
}

struct Pass {
    int nBlocks = 0;      // non-empty blocks until the first short one
    bool bEnded = false;  // a short block or a failure ended the pass in time
    bool bFailed = false;
};

// Reads blocks as counting does (up to the first short block) or as a run
// does (up to the first empty block), checking each one.
Pass ReadPass(CBlockSource& source, bool bAsRun) {
    Pass pass;
    uint8_t abBlock[256 + 16];
    for (int i = 0; i < kMaxBlocksPerPass; ++i) {
        int nBytes = -1;
        bool bOk = source.ReadBlock(abBlock, &nBytes, 256);
        Check(nBytes >= 0 && nBytes <= 256);
        Check(bOk || nBytes == 0);
        Check(source.m_nCarryLen >= 0 && source.m_nCarryLen <= 40);
        if (bOk && nBytes > 0) {
            ++pass.nBlocks;
        }
        if (!bOk || (bAsRun ? nBytes == 0 : nBytes < 256)) {
            pass.bEnded = true;
            pass.bFailed = !bOk;
            break;
        }
    }
    return pass;
}

// The whole-file check against a count of the same file.
void CheckAgrees(const std::string& strPath, uint8_t nFormat, bool bCounted, int nCounted,
                 const CBlockSource& source) {
    CImageCheck check;
    const bool bChecked = check.Check(strPath.c_str(), nFormat);
    Check(bChecked == (bCounted && nCounted > 0 && source.m_reader.m_nRecordCount > 0));
    Check(bCounted || check.m_eFault == source.m_reader.m_eFault);
    Check(bCounted || check.m_nFailedLine == source.m_reader.m_nFailedLine);
    Check(!bChecked || (check.m_nBlockCount == nCounted && check.m_digest == source.m_countDigest));
    Check(!bChecked || check.m_nDataBytes + check.m_nGapBytes == check.m_digest.m_nBytes);
}

void ReadAs(CBlockSource& source, const std::string& strPath, uint8_t nFormat) {
    if (!source.OpenUpdateFile(strPath.c_str(), nFormat)) {
        return;
    }
    const Pass first = ReadPass(source, false);
    if (first.bEnded) {
        source.RewindUpdateFile();
        int nCounted = -1;
        const bool bCounted = source.CountBlocks(&nCounted);
        Check(bCounted == !first.bFailed);
        Check(!bCounted || nCounted == first.nBlocks);
        CheckAgrees(strPath, nFormat, bCounted, nCounted, source);
        source.RewindUpdateFile();
        const Pass again = ReadPass(source, false);
        Check(again.nBlocks == first.nBlocks && again.bFailed == first.bFailed);
        source.RewindUpdateFile();
        ReadPass(source, true);
    }
    source.CloseUpdateImage();
}

// The digit rules one character at a time: only 0-9 and A-F are digits; a
// high character that is none takes the low nibble of the byte before (0 at
// first), a low one counts 0, and an odd text ends in a NUL.
int DecodeByTheRules(uint8_t* pOut, std::string_view text) {
    const auto Value = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    int nCount = 0, nPrevLow = 0;
    for (size_t i = 0; i < text.size() && nCount < 40; i += 2) {
        int nHigh = Value(text[i]);
        int nLow = i + 1 < text.size() ? Value(text[i + 1]) : -1;
        nHigh = nHigh < 0 ? nPrevLow : nHigh;
        nLow = nLow < 0 ? 0 : nLow;
        pOut[nCount++] = static_cast<uint8_t>(nHigh << 4 | nLow);
        nPrevLow = nLow;
    }
    return nCount;
}

void CheckDecodingAndHash(const uint8_t* pData, size_t nSize) {
    uint8_t abOut[41] = {}, abRules[41] = {};
    const std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    const int nCount = CRecordReader::HexToBytes(abOut, text);
    Check(nCount <= 40 && abOut[40] == 0);
    Check(nCount == DecodeByTheRules(abRules, text) && std::equal(abOut, abOut + nCount, abRules));

    const Sha256BlocksFunction pfnFast = Sha256BlocksWithShaExtensions();
    if (pfnFast != nullptr && nSize >= 64) {
        uint32_t portable[8] = {1, 2, 3, 4, 5, 6, 7, 8}, fast[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        Sha256BlocksPortable(portable, pData, nSize / 64);
        pfnFast(fast, pData, nSize / 64);
        Check(std::equal(portable, portable + 8, fast));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CheckDecodingAndHash(pData, nSize);

    const std::string& strPath = InputPath(pData, nSize);
    const bool bHex = nSize > 0 && pData[0] == ':';
    static CBlockSource source;
    ReadAs(source, strPath, bHex ? FMT_INTEL_HEX : FMT_SRECORD);
    ReadAs(source, strPath, bHex ? FMT_SRECORD : FMT_INTEL_HEX);
    return 0;
}
