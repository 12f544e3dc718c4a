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

Strings Words(const std::string& strText);
std::string ReadAll(const std::string& strPath);

// bash -c strCommand in strDir with env entries added ("NAME=value"); stdout
// and stderr to their own files. onStarted is called with the shell's pid
// once it runs (to send it a signal at the right moment). Killed after 60 s.
SRun RunShell(const std::string& strDir, const std::string& strCommand, const Strings& env,
              const std::function<void(pid_t)>& onStarted = {});

// nCount bytes with no two neighbouring blocks alike.
Bytes Image(size_t nCount);
// Data records of 16 bytes from nBase (S1 for nAddrBytes 2), then the end record.
std::string UpdateFile(const Bytes& data, uint32_t nBase = 0x4000, int nAddrBytes = 0);
// The image as the device's flash holds it: whole blocks, filled with 0xFF.
Bytes Padded(Bytes data);
// The sum of the bytes, as the commit's finish total carries it.
inline uint32_t ByteSum(const Bytes& data) {
    uint32_t dwSum = 0;
    for (const uint8_t b : data) {
        dwSum += b;
    }
    return dwSum;
}

}  // namespace flash_run
