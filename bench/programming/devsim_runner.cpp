#include "bench/programming/devsim_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

CDevsimRunner::CDevsimRunner(const std::string& strDir, const std::vector<std::string>& args)
    : m_strLink(strDir + "/devsim-link"), m_strLog(strDir + "/devsim.log") {
    std::vector<std::string> argv = {VANTO_BIN_DIR "/vanto-devsim", "--link", m_strLink};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argvPtrs;
    for (std::string& strArg : argv) {
        argvPtrs.push_back(strArg.data());
    }
    argvPtrs.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, m_strLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawn(&m_pid, argvPtrs[0], &actions, nullptr, argvPtrs.data(), environ) != 0) {
        m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 500 && m_pid > 0; ++i) {
        struct stat st {};
        if (lstat(m_strLink.c_str(), &st) == 0 &&
            Output().find("listening on") != std::string::npos) {
            m_bReady = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

CDevsimRunner::~CDevsimRunner() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

std::string CDevsimRunner::Output() const {
    std::ifstream in(m_strLog, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool CDevsimRunner::LastStats(unsigned long long* pnRxBytes, unsigned long long* pnTxBytes,
                              unsigned long long* pnReplyDelayMs, int nWaitMs) const {
    for (int nWaited = 0; nWaited <= nWaitMs; nWaited += 10) {
        const std::string strOutput = Output();
        const size_t nAt = strOutput.rfind("STATS ");
        unsigned nReplies = 0;
        if (nAt != std::string::npos &&
            std::sscanf(strOutput.c_str() + nAt,
                        "STATS rx_bytes=%llu tx_bytes=%llu replies=%u reply_delay_ms=%llu",
                        pnRxBytes, pnTxBytes, &nReplies, pnReplyDelayMs) == 4) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
