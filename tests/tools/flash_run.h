#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/image/image_test_files.h"

// Running vanto-flash as a whole program, and the update files it is given.
namespace flash_run {

using image_test::Bytes;
using Strings = std::vector<std::string>;

struct SRun {
    int nExit = -1;  // 128 + signal for a signal
    std::string strOut, strErr;
};

// The image of most runs: 21 blocks, the last one short (about 1.5 s on the
// paced wire); and its identity in --json and the station's log, the SHA-256 of
// the block data (no gaps here; the fill of the last block is no data), as
// sha256sum gives it.
inline const Bytes kImage = PatternBytes(20 * 256 + 100);
inline const std::string kImageSha256 =
    "7b3a235ab8d765ed40e93a12c77abc62b1b4ef89cea105bc8d1d1a1d03f44cc6";

std::string ReadAll(const std::string& strPath);

// bash -c strCommand in strDir with env entries added ("NAME=value"), its
// standard output and error to run.out and run.err there, its standard input
// /dev/null. onStarted is called with the shell's pid
// once it runs (to send it a signal at the right moment). Killed after 60 s.
SRun RunShell(const std::string& strDir, const std::string& strCommand, const Strings& env,
              const std::function<void(pid_t)>& onStarted = {});

}  // namespace flash_run
