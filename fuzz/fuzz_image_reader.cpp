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
#include <cstdlib>
#include <string>

#include "link/update_engine.h"

namespace {

// Enough for every short input to be read whole; a few records with huge
// gaps would otherwise spend the run filling blocks with 0xFF.
constexpr int kMaxBlocksPerPass = 4096;

void Check(bool bCondition) {
    if (!bCondition) {
        __builtin_trap();
    }
}

// The file the engine reads: one memory file for the whole fuzzing run.
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
Pass ReadPass(CUpdateEngine& engine, bool bAsRun) {
    Pass pass;
    uint8_t abBlock[256 + 16];
    for (int i = 0; i < kMaxBlocksPerPass; ++i) {
        int nBytes = -1;
        bool bOk = engine.ReadBlock(abBlock, &nBytes, 256);
        Check(nBytes >= 0 && nBytes <= 256);
        Check(bOk || nBytes == 0);
        Check(engine.m_nCarryLen >= 0 && engine.m_nCarryLen <= 40);
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

void ReadAs(CUpdateEngine& engine, const std::string& strPath, uint8_t nFormat) {
    if (!engine.OpenUpdateFile(strPath.c_str(), nFormat)) {
        return;
    }
    const Pass first = ReadPass(engine, false);
    if (first.bEnded) {
        engine.RewindUpdateFile();
        int nCounted = -1;
        const bool bCounted = engine.CountBlocks(&nCounted);
        Check(bCounted == !first.bFailed);
        Check(!bCounted || nCounted == first.nBlocks);
        engine.RewindUpdateFile();
        const Pass again = ReadPass(engine, false);
        Check(again.nBlocks == first.nBlocks && again.bFailed == first.bFailed);
        engine.RewindUpdateFile();
        ReadPass(engine, true);
    }
    engine.CloseUpdateImage();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*pArgc*/, char*** /*pArgv*/) {
    // The engine opens COM1 when it is created: map no ports at all, so no
    // serial device of this machine is ever touched.
    setenv("VANTO_COM_PORTS", "", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    uint8_t abOut[41] = {};
    const std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    Check(CUpdateEngine::HexToBytes(abOut, text) <= 40 && abOut[40] == 0);

    const std::string& strPath = InputPath(pData, nSize);
    const bool bHex = nSize > 0 && pData[0] == ':';
    static CUpdateEngine engine;
    ReadAs(engine, strPath, bHex ? FMT_INTEL_HEX : FMT_SRECORD);
    ReadAs(engine, strPath, bHex ? FMT_SRECORD : FMT_INTEL_HEX);
    return 0;
}
