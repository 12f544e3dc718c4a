#include "tests/tools/flash_run.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "tests/support/devsim_process.h"

namespace flash_run {

std::string ReadAll(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

SRun RunShell(const std::string& strDir, const std::string& strCommand, const Strings& env,
              const std::function<void(pid_t)>& onStarted) {
    // Built before the fork: the child of a process with threads allocates nothing.
    const std::string strScript = "exec </dev/null >run.out 2>run.err; " + strCommand;
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGINT, SIG_DFL), signal(SIGPIPE, SIG_DFL);
        for (const std::string& strEntry : env) {
            putenv(const_cast<char*>(strEntry.c_str()));
        }
        if (chdir(strDir.c_str()) == 0) {
            execl("/bin/bash", "bash", "-c", strScript.c_str(), nullptr);
        }
        _exit(127);
    }
    if (onStarted) {
        onStarted(pid);
    }
    int nStatus = 0;
    if (!WaitUntil([&] { return waitpid(pid, &nStatus, WNOHANG) == pid; }, 60000)) {
        kill(pid, SIGKILL);
        waitpid(pid, &nStatus, 0);
        ADD_FAILURE() << "no end: " << strCommand;
    }
    SRun run;
    run.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
    run.strOut = ReadAll(strDir + "/run.out");
    run.strErr = ReadAll(strDir + "/run.err");
    return run;
}

}  // namespace flash_run
