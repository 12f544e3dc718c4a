#include "tests/procedures/flash_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

CFlashProcess::~CFlashProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool CFlashProcess::Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {VANTO_BIN_DIR "/vanto-flash"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argvPtrs;
    for (std::string& strArg : argv) {
        argvPtrs.push_back(strArg.data());
    }
    argvPtrs.push_back(nullptr);

    const std::string strOut = m_dir.File("flash.out");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // The test process may have SIGINT ignored or blocked; the child must not.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int nError = posix_spawn(&m_pid, argvPtrs[0], &actions, &attr, argvPtrs.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (nError != 0) {
        m_pid = -1;
    }
    return m_pid > 0;
}

void CFlashProcess::Interrupt() {
    if (m_pid > 0) {
        kill(m_pid, SIGINT);
    }
}

int CFlashProcess::WaitForExit(int nWaitMs) {
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(nWaitMs);
    while (m_pid > 0) {
        int nStatus = 0;
        const pid_t nDone = waitpid(m_pid, &nStatus, WNOHANG);
        if (nDone == m_pid) {
            m_pid = -1;
            return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
        }
        if (std::chrono::steady_clock::now() >= tEnd) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

std::string CFlashProcess::Output() const {
    std::ifstream in(m_dir.File("flash.out"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
