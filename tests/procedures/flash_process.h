#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/devsim_process.h"

// vanto-flash run as a process of its own, in the test's working directory
// and environment (VANTO_COM_PORTS included), stdin from /dev/null, stdout
// and stderr into one file. Unlike RunProgram it lets the test press Ctrl-C.
class CFlashProcess {
public:
    CFlashProcess() = default;
    ~CFlashProcess();  // kills a process that still runs
    CFlashProcess(const CFlashProcess&) = delete;
    CFlashProcess& operator=(const CFlashProcess&) = delete;

    bool Start(const std::vector<std::string>& args);
    void Interrupt();  // SIGINT, as Ctrl-C on the terminal sends it
    // Exit status, 128 + signal when a signal ended it, -1 when it still ran
    // after nWaitMs.
    int WaitForExit(int nWaitMs);
    std::string Output() const;

private:
    CTempDir m_dir;
    pid_t m_pid = -1;
};
