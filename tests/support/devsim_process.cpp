#include "tests/support/devsim_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <thread>

bool WaitUntil(const std::function<bool()>& isDone, int nWaitMs) {
    const auto tpEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(nWaitMs);
    bool bDone = false;
    while (!(bDone = isDone()) && std::chrono::steady_clock::now() < tpEnd) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return bDone;
}

namespace {

// argv with stdin from /dev/null, stdout and stderr appended to strOutPath.
pid_t Spawn(std::vector<std::string> argv, const std::string& strOutPath) {
    std::vector<char*> pointers(argv.size() + 1);  // ends with a null pointer
    std::transform(argv.begin(), argv.end(), pointers.begin(),
                   [](std::string& s) { return s.data(); });
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, strOutPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int nError =
        posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return nError == 0 ? pid : -1;
}

}  // namespace

CTempDir::CTempDir() {
    std::string strTemplate = (std::filesystem::temp_directory_path() / "vanto-XXXXXX").string();
    m_strPath = mkdtemp(strTemplate.data()) != nullptr ? strTemplate : "";
}

CTempDir::~CTempDir() {
    std::error_code error;
    std::filesystem::remove_all(m_strPath, error);
}

bool CDevsimProcess::Start(const std::vector<std::string>& extraArgs, int nWaitMs) {
    if (m_pid > 0 || m_dir.Path().empty()) {
        return false;
    }
    std::vector<std::string> argv = {VANTO_BIN_DIR "/vanto-devsim", "--link", LinkPath()};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    m_nExitStatus = -1;
    m_pid = Spawn(argv, m_dir.File("output"));
    WaitUntil([&] { return !IsRunning() || WaitForOutput("listening on", 0); }, nWaitMs);
    return IsRunning();
}

std::string CDevsimProcess::Output() const {
    std::ifstream file(m_dir.File("output"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool CDevsimProcess::WaitForOutput(const std::string& strNeedle, int nWaitMs) const {
    return WaitUntil([&] { return Output().find(strNeedle) != std::string::npos; }, nWaitMs);
}

int CDevsimProcess::CountOutputLines(const std::string& strNeedle) const {
    std::istringstream lines(Output());
    int nCount = 0;
    for (std::string strLine; std::getline(lines, strLine);) {
        nCount += strLine.find(strNeedle) != std::string::npos ? 1 : 0;
    }
    return nCount;
}

int CDevsimProcess::Signal(std::initializer_list<int> signalsToTry) {
    for (int nSignal : signalsToTry) {
        if (m_pid > 0 && kill(m_pid, nSignal) == 0) {
            WaitForExit(5000);
        }
    }
    return m_nExitStatus;
}

int CDevsimProcess::WaitForExit(int nWaitMs) {
    int nStatus = 0;
    if (m_pid > 0 &&
        WaitUntil([&] { return waitpid(m_pid, &nStatus, WNOHANG) == m_pid; }, nWaitMs)) {
        m_nExitStatus = WIFSIGNALED(nStatus) ? 128 + WTERMSIG(nStatus) : WEXITSTATUS(nStatus);
        m_pid = -1;
    }
    return m_pid > 0 ? -1 : m_nExitStatus;
}
