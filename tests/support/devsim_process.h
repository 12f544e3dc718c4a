#pragma once

#include <signal.h>

#include <functional>
#include <string>
#include <vector>

// Asks isDone every 5 ms until it holds or nWaitMs passed; its last answer.
bool WaitUntil(const std::function<bool()>& isDone, int nWaitMs = 5000);

// A fresh directory under $TMPDIR (or /tmp), removed with its contents.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

// vanto-devsim from VANTO_BIN_DIR; link (to name in VANTO_COM_PORTS) and output in Dir().
class CDevsimProcess {
public:
    ~CDevsimProcess() { Stop(); }  // not copyable: its CTempDir is not
    // Runs `vanto-devsim --link LinkPath() extraArgs...`; true once it listens.
    bool Start(const std::vector<std::string>& extraArgs = {}, int nWaitMs = 5000);
    const CTempDir& Dir() const { return m_dir; }
    std::string LinkPath() const { return m_dir.File("devsim-link"); }
    std::string Output() const;
    bool WaitForOutput(const std::string& strNeedle, int nWaitMs = 5000) const;
    int CountOutputLines(const std::string& strNeedle) const;
    int Stop() { return Signal({SIGTERM, SIGKILL}); }  // each given 5 s; the exit status
    void Kill() { Signal({SIGKILL}); }  // a device that vanishes: its stale link stays
    bool IsRunning() { return WaitForExit(0) == -1 && m_pid > 0; }
    int WaitForExit(int nWaitMs = 5000);  // exit status (128 + a signal); -1 while it runs
    pid_t Pid() const { return m_pid; }

private:
    int Signal(std::initializer_list<int> signalsToTry);
    CTempDir m_dir;
    pid_t m_pid = -1;
    int m_nExitStatus = -1;
};
