#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Helpers for tests that talk to the simulated device (vanto-devsim) or run
// the project's programs as separate processes.
//
// Typical use:
//
//     CDevsimProcess device;
//     ASSERT_TRUE(device.Start({"--flash-out", device.Dir().File("flash.bin")}));
//     setenv("VANTO_COM_PORTS", (":" + device.LinkPath()).c_str(), 1);  // COM2
//     ... run the updater against COM2 ...
//     ASSERT_TRUE(device.WaitForOutput("FINISH commit"));
//     EXPECT_EQ(device.Stop(), 0);
//
// Every object owns a fresh temporary directory; the link (the symlink to
// the simulator's pseudo-terminal) and the simulator's output file live in
// it, and everything is removed when the object is destroyed. Destruction
// also stops a simulator that still runs, so a failed ASSERT leaves nothing
// behind.

// A fresh directory under $TMPDIR (or /tmp), removed with its contents when
// the object is destroyed.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    // Path of a file named strName inside the directory (not created).
    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

// One vanto-devsim process, started from VANTO_BIN_DIR.
class CDevsimProcess {
public:
    CDevsimProcess() = default;
    ~CDevsimProcess();
    CDevsimProcess(const CDevsimProcess&) = delete;
    CDevsimProcess& operator=(const CDevsimProcess&) = delete;

    // Starts `vanto-devsim --link <Dir>/devsim-link <extraArgs...>` with
    // stdout and stderr going to <Dir>/devsim.log, and waits (at most
    // nWaitMs) until the link exists and the simulator says it listens. false when the program
    // could not be started, exited, or made no link in time; Output() then tells why. A second
    // Start() is refused while the first simulator runs.
    bool Start(const std::vector<std::string>& extraArgs = {}, int nWaitMs = 5000);

    const CTempDir& Dir() const { return m_dir; }
    // The symlink to the simulator's slave side: the serial device to give
    // the updater (through VANTO_COM_PORTS).
    std::string LinkPath() const { return m_dir.File("devsim-link"); }

    // Everything the simulator printed so far (one line per command it
    // received, see vanto-devsim --help).
    std::string Output() const;

    // Waits (at most nWaitMs) until the output contains strNeedle.
    bool WaitForOutput(const std::string& strNeedle, int nWaitMs = 5000) const;

    // How many lines of the output so far contain strNeedle.
    int CountOutputLines(const std::string& strNeedle) const;

    // Sends SIGTERM and reaps the process (SIGKILL after 5 s). Returns its
    // exit status, 128 + signal number when a signal ended it, or -1 when
    // it was not running. The simulator removes its link on the way out.
    int Stop();

    // SIGKILL and reap: a device that vanishes without a word. The stale
    // link stays behind, pointing at a terminal that no longer exists.
    void Kill();

    // True while the process has not exited (reaps it when it has).
    bool IsRunning();

    // Waits (at most nWaitMs) for the process to exit by itself and reaps
    // it; returns its status as Stop() does, or -1 when it still runs.
    int WaitForExit(int nWaitMs = 5000);

    pid_t Pid() const { return m_pid; }

private:
    CTempDir m_dir;
    pid_t m_pid = -1;
    int m_nExitStatus = -1;
};

// What a program run by RunProgram did.
struct SProgramRun {
    int nExitStatus = -1;  // exit status, 128 + signal, -1 when not started or timed out
    bool bTimedOut = false;
    std::string strOutput;  // stdout and stderr, interleaved as written
};

// Runs a program (a path, e.g. VANTO_BIN_DIR "/vanto-flash") with the given
// arguments and extra environment entries ("NAME=value", overriding the
// test's own), stdin from /dev/null, and waits for it at most nTimeoutMs
// (then SIGKILL). The caller's environment is passed on otherwise.
SProgramRun RunProgram(const std::string& strProgram, const std::vector<std::string>& args,
                       const std::vector<std::string>& extraEnv = {}, int nTimeoutMs = 20000);
