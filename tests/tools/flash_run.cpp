#include "tests/tools/flash_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "image/sha256.h"

namespace flash_run {

std::string ImageSha256() {
    CSha256 sha;
    sha.Add(kImage.data(), kImage.size());
    return CSha256::ToHex(sha.Finish());
}

std::string ReadAll(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

SRun RunShell(const std::string& strDir, const std::string& strCommand, const Strings& env,
              const std::function<void(pid_t)>& onStarted) {
    const std::string strOut = strDir + "/run.out", strErr = strDir + "/run.err";
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGINT, SIG_DFL), signal(SIGPIPE, SIG_DFL);
        for (const std::string& strEntry : env) {
            putenv(const_cast<char*>(strEntry.c_str()));
        }
        const int fdOut = open(strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int fdErr = open(strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fdOut, 1), dup2(fdErr, 2), close(fdOut), close(fdErr);
        const int fdIn = open("/dev/null", O_RDONLY);
        dup2(fdIn, 0), close(fdIn);
        if (chdir(strDir.c_str()) == 0) {
            execl("/bin/bash", "bash", "-c", strCommand.c_str(), nullptr);
        }
        _exit(127);
    }
    if (onStarted) {
        onStarted(pid);
    }
    SRun run;
    int nStatus = 0;
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &nStatus, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > tEnd) {
            kill(pid, SIGKILL);
            waitpid(pid, &nStatus, 0);
            ADD_FAILURE() << "no end: " << strCommand;
            break;  // reaped: a further waitpid would never see it again
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
    run.strOut = ReadAll(strOut);
    run.strErr = ReadAll(strErr);
    return run;
}

}  // namespace flash_run
