// libFuzzer target for the update-file readers and the block source
// together: the input is an update file, read as the format its first
// character names (':' Intel HEX, anything else S-records) and then as the
// other one. Every block must stay within its 256 bytes, a failed block
// delivers nothing, the carry-over never exceeds its buffer, and counting
// then reading again gives the same blocks.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "image/block_source.h"

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
        source.RewindUpdateFile();
        const Pass again = ReadPass(source, false);
        Check(again.nBlocks == first.nBlocks && again.bFailed == first.bFailed);
        source.RewindUpdateFile();
        ReadPass(source, true);
    }
    source.CloseUpdateImage();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    uint8_t abOut[41] = {};
    const std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    Check(CRecordReader::HexToBytes(abOut, text) <= 40 && abOut[40] == 0);

    const std::string& strPath = InputPath(pData, nSize);
    const bool bHex = nSize > 0 && pData[0] == ':';
    static CBlockSource source;
    ReadAs(source, strPath, bHex ? FMT_INTEL_HEX : FMT_SRECORD);
    ReadAs(source, strPath, bHex ? FMT_SRECORD : FMT_INTEL_HEX);
    return 0;
}
