// The whole-file check of an update file, run REPEAT times in one process:
// the update-file reader's throughput on a file that is small because the
// format allows no more (an Intel HEX update file carries at most 64 KiB of
// data), measured the way bench/image/run.sh measures the other programs
// (whole-process time for all the runs).
//
// Usage: image_bench FILE hex|srec [REPEAT]
// Prints the figures of the last check; exit status 1 when a check fails.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/image_check.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: image_bench FILE hex|srec [REPEAT]\n", stderr);
        return 2;
    }
    const uint8_t nFormat = std::strcmp(argv[2], "srec") == 0 ? FMT_SRECORD : FMT_INTEL_HEX;
    const long nRepeat = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 1;
    CImageCheck check;
    for (long i = 0; i < nRepeat; ++i) {
        if (!check.Check(argv[1], nFormat)) {
            std::fprintf(stderr, "%s:%u: %s\n", argv[1], static_cast<unsigned>(check.m_nFailedLine),
                         check.m_strFailure.c_str());
            return 1;
        }
    }
    std::printf("%ld checks: %d blocks, %llu data bytes, sha256 %s\n", nRepeat, check.m_nBlockCount,
                static_cast<unsigned long long>(check.m_nDataBytes),
                CSha256::ToHex(check.m_digest.m_hash).c_str());
    return 0;
}
