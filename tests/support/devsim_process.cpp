#include "tests/support/devsim_process.h"

#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
const auto kPollStep = std::chrono::milliseconds(5);

int RemoveEntry(const char* pszPath, const struct stat*, int, struct FTW*) {
    return remove(pszPath);
}

int DecodeStatus(int nStatus) {
    if (WIFEXITED(nStatus)) {
        return WEXITSTATUS(nStatus);
    }
    if (WIFSIGNALED(nStatus)) {
        return 128 + WTERMSIG(nStatus);
    }
    return -1;
}

// Waits up to nWaitMs for pid to exit; its decoded status, or -1 if it runs on.
int ReapWithin(pid_t pid, int nWaitMs) {
    const auto tpEnd = Clock::now() + std::chrono::milliseconds(nWaitMs);
    for (;;) {
        int nStatus = 0;
        const pid_t nDone = waitpid(pid, &nStatus, WNOHANG);
        if (nDone == pid) {
            return DecodeStatus(nStatus);
        }
        if (nDone < 0 || Clock::now() >= tpEnd) {
            return -1;
        }
        std::this_thread::sleep_for(kPollStep);
    }
}

std::string ReadWholeFile(const std::string& strPath) {
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// posix_spawn with stdin from /dev/null and stdout+stderr appended to a file.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& strOutputPath) {
    std::vector<char*> argvPtrs;
    for (const std::string& s : argv) {
        argvPtrs.push_back(const_cast<char*>(s.c_str()));
    }
    argvPtrs.push_back(nullptr);
    std::vector<char*> envPtrs;
    for (const std::string& s : env) {
        envPtrs.push_back(const_cast<char*>(s.c_str()));
    }
    envPtrs.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, strOutputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // A fresh signal mask and default actions: the test process may block
    // signals in its threads, and the child must still die of SIGTERM.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &noSignals);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    if (posix_spawn(&pid, argvPtrs[0], &actions, &attr, argvPtrs.data(), envPtrs.data()) != 0) {
        pid = -1;
    }
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The caller's environment with extraEnv's entries replacing same-named ones.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extraEnv) {
    std::vector<std::string> env;
    for (char** p = environ; *p != nullptr; ++p) {
        const std::string strEntry = *p;
        const std::string strName = strEntry.substr(0, strEntry.find('=') + 1);
        bool bOverridden = false;
        for (const std::string& strExtra : extraEnv) {
            bOverridden = bOverridden || strExtra.rfind(strName, 0) == 0;
        }
        if (!bOverridden) {
            env.push_back(strEntry);
        }
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    return env;
}

}  // namespace

CTempDir::CTempDir() {
    const char* pszBase = std::getenv("TMPDIR");
    std::string strTemplate = std::string(pszBase && *pszBase ? pszBase : "/tmp") + "/vanto-XXXXXX";
    if (mkdtemp(strTemplate.data()) != nullptr) {
        m_strPath = strTemplate;
    }
}

CTempDir::~CTempDir() {
    if (!m_strPath.empty()) {
        nftw(m_strPath.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
}

CDevsimProcess::~CDevsimProcess() {
    Stop();
}

bool CDevsimProcess::Start(const std::vector<std::string>& extraArgs, int nWaitMs) {
    if (m_pid > 0 || m_dir.Path().empty()) {
        return false;
    }
    std::vector<std::string> argv = {VANTO_BIN_DIR "/vanto-devsim", "--link", LinkPath()};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    m_nExitStatus = -1;
    m_pid = Spawn(argv, MergedEnvironment({}), m_dir.File("devsim.log"));
    if (m_pid <= 0) {
        m_pid = -1;
        return false;
    }
    // The simulator prints where it listens once its link is in place (a
    // stale link from an earlier run may be there before that).
    const auto tpEnd = Clock::now() + std::chrono::milliseconds(nWaitMs);
    struct stat st {};
    while (lstat(LinkPath().c_str(), &st) != 0 ||
           Output().find("listening on") == std::string::npos) {
        if (!IsRunning() || Clock::now() >= tpEnd) {
            return false;
        }
        std::this_thread::sleep_for(kPollStep);
    }
    return true;
}

std::string CDevsimProcess::Output() const {
    return ReadWholeFile(m_dir.File("devsim.log"));
}

bool CDevsimProcess::WaitForOutput(const std::string& strNeedle, int nWaitMs) const {
    const auto tpEnd = Clock::now() + std::chrono::milliseconds(nWaitMs);
    while (Output().find(strNeedle) == std::string::npos) {
        if (Clock::now() >= tpEnd) {
            return false;
        }
        std::this_thread::sleep_for(kPollStep);
    }
    return true;
}

int CDevsimProcess::CountOutputLines(const std::string& strNeedle) const {
    std::istringstream lines(Output());
    int nCount = 0;
    for (std::string strLine; std::getline(lines, strLine);) {
        nCount += strLine.find(strNeedle) != std::string::npos ? 1 : 0;
    }
    return nCount;
}

bool CDevsimProcess::IsRunning() {
    if (m_pid <= 0) {
        return false;
    }
    const int nStatus = ReapWithin(m_pid, 0);
    if (nStatus != -1) {
        m_nExitStatus = nStatus;
        m_pid = -1;
        return false;
    }
    return true;
}

int CDevsimProcess::WaitForExit(int nWaitMs) {
    if (m_pid > 0) {
        const int nStatus = ReapWithin(m_pid, nWaitMs);
        if (nStatus == -1) {
            return -1;
        }
        m_nExitStatus = nStatus;
        m_pid = -1;
    }
    return m_nExitStatus;
}

int CDevsimProcess::Stop() {
    if (m_pid <= 0) {
        return m_nExitStatus;
    }
    kill(m_pid, SIGTERM);
    int nStatus = ReapWithin(m_pid, 5000);
    if (nStatus == -1) {
        kill(m_pid, SIGKILL);
        nStatus = ReapWithin(m_pid, 5000);
    }
    m_nExitStatus = nStatus;
    m_pid = -1;
    return nStatus;
}

void CDevsimProcess::Kill() {
    if (m_pid <= 0) {
        return;
    }
    kill(m_pid, SIGKILL);
    m_nExitStatus = ReapWithin(m_pid, 5000);
    m_pid = -1;
}

SProgramRun RunProgram(const std::string& strProgram, const std::vector<std::string>& args,
                       const std::vector<std::string>& extraEnv, int nTimeoutMs) {
    SProgramRun run;
    CTempDir dir;
    std::vector<std::string> argv = {strProgram};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = Spawn(argv, MergedEnvironment(extraEnv), dir.File("output"));
    if (pid <= 0) {
        return run;
    }
    run.nExitStatus = ReapWithin(pid, nTimeoutMs);
    if (run.nExitStatus == -1) {
        run.bTimedOut = true;
        kill(pid, SIGKILL);
        ReapWithin(pid, 5000);
    }
    run.strOutput = ReadWholeFile(dir.File("output"));
    return run;
}
