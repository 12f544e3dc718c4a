#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/updater_app.h"
#include "app/wizard_sheet.h"
#include "link/update_engine.h"
#include "tests/procedures/update_file_writer.h"
#include "tests/support/devsim_process.h"
#include "tests/support/pty_pair.h"
#include "wizard/procedures/page_controls.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"

using Strings = std::vector<std::string>;
inline constexpr long kIdentifyBytes = 11;  // one CMD_IDENTIFY frame

inline Strings Words(const std::string& strText) {
    std::istringstream in(strText);
    return Strings(std::istream_iterator<std::string>(in), {});
}

inline bool WaitUntil(const std::function<bool()>& done) {  // false after 5 s
    for (int nWaited = 0; !done(); nWaited += 5) {
        if (nWaited > 5000) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Page and wizard sheet in one: records every call, from any thread, in order.
class CRecorder : public IPageControls, public IWizardSheet {
public:
    void SetText(int nId, const std::string& s) override { Put("text", nId, s); }
    void AppendText(int nId, const std::string& s) override {
        Put("text", nId, Text(nId) + s);
        if (!strPauseAt.empty() && s == strPauseAt) {
            paused.set_value();
            isReleased.wait();
        }
    }
    void Show(int nId, bool b) override { Put("show", nId, std::to_string(b)); }
    void Enable(int nId, bool b) override { Put("enable", nId, std::to_string(b)); }
    void SetProgressRange(int nId, int n) override { Put("range", nId, std::to_string(n)); }
    void SetProgressPos(int nId, int n) override { Put("pos", nId, std::to_string(n)); }
    void ShowMessageBox(const std::string& s, const std::string& c) override {
        Put("box", 0, c + "|" + s);
    }
    void Beep() override { Put("beep", 0, ""); }
    void PostWizardButtons(unsigned n) override { Put("buttons", 0, std::to_string(n)); }
    void CancelToClose() override { Put("cancel-to-close", 0, ""); }

    Strings All(const std::string& strKind, int nId = 0) const {  // the values, in call order
        std::lock_guard<std::mutex> lock(m_lock);
        Strings values;
        for (const auto& [strEventKind, nEventId, strValue] : m_events) {
            if (strEventKind == strKind && nEventId == nId) {
                values.push_back(strValue);
            }
        }
        return values;
    }
    std::string Last(const std::string& strKind, int nId) const {  // "" when none
        const Strings values = All(strKind, nId);
        return values.empty() ? "" : values.back();
    }
    std::string Text(int nId) const { return Last("text", nId); }

    // The worker appending strPauseAt (set before it starts) waits for released.
    std::string strPauseAt;
    std::promise<void> paused, released;
    std::shared_future<void> isPaused = paused.get_future(), isReleased = released.get_future();

private:
    using Event = std::tuple<std::string, int, std::string>;
    void Put(const char* pszKind, int nId, const std::string& strValue) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.emplace_back(pszKind, nId, strValue);
    }
    mutable std::mutex m_lock;
    std::vector<Event> m_events;
};

// A port with nothing behind it: a thread drains the far end at once (so the
// port's purge finds nothing of ours) and counts the bytes. It holds no slave
// descriptor, so that a program under test in another process may open it.
struct CSilentPeer {
    CSilentPeer()
        : drain([this] {
              while (!bStop) {
                  const long nRead = static_cast<long>(pty.ReadMaster(4096, 10).size());
                  nBytes += nRead;
                  if (nRead == 0) {  // no opener: the master reports a hang-up at once
                      std::this_thread::sleep_for(std::chrono::milliseconds(2));
                  }
              }
          }) {
        pty.CloseSlave();
    }
    ~CSilentPeer() {
        bStop = true;
        drain.join();
    }
    PtyPair pty;
    std::atomic<bool> bStop{false};
    std::atomic<long> nBytes{0};
    std::thread drain;
};

// One test's world: a fresh working directory, the COM ports, the application.
struct CRig {
    CRig() {
        std::filesystem::current_path(dir.Path());
        app.m_pWizard = &page;
    }
    ~CRig() { std::filesystem::current_path(oldDir); }
    // One letter per port from COM1: 'a' absent, 's' silent, 'd' vanto-devsim
    // with strDevsimArgs. Sets VANTO_COM_PORTS; false when the device did not start.
    bool Ports(const std::string& strPorts, const std::string& strDevsimArgs = "") {
        std::string strList;
        for (const char c : strPorts) {
            if (c == 's') {
                silent.push_back(std::make_unique<CSilentPeer>());
                strList += silent.back()->pty.SlavePath();
            } else if (c == 'd' && !device.Start(Words(strDevsimArgs + " --flash-out flash"))) {
                return false;
            }
            strList += c == 'd' ? device.LinkPath() + ":" : ":";
        }
        return setenv("VANTO_COM_PORTS", strList.c_str(), 1) == 0;
    }
    bool Start(const std::string& strPorts,
               const std::string& strDevsimArgs = "") {  // and the engine
        const bool bStarted = Ports(strPorts, strDevsimArgs);
        app.CreateEngine();
        return bStarted;
    }
    int OpenPort() const { return app.m_pEngine->m_pPort->PortNumber(); }
    long SilentBytes() const {
        return std::accumulate(silent.begin(), silent.end(), 0L,
                               [](long n, const auto& pPeer) { return n + pPeer->nBytes; });
    }
    std::vector<uint8_t> Flash() const {  // what the device committed; empty when nothing
        std::ifstream in("flash", std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    int DeviceSaw(const std::string& strNeedle) {  // stops the device, counts its lines
        device.Stop();
        return device.CountOutputLines(strNeedle);
    }

    CTempDir dir;
    std::filesystem::path oldDir = std::filesystem::current_path();
    CDevsimProcess device;
    std::vector<std::unique_ptr<CSilentPeer>> silent;
    CRecorder page;
    CUpdaterApp app;
    CSetup setup{app, page};
    CProgTarget prog{app, page};
};

// vanto-flash run in the working directory, stdin /dev/null, output to a file.
struct CFlashRun {
    explicit CFlashRun(const std::string& strArgs) {
        const std::string strCommand =
            "exec '" VANTO_BIN_DIR "/vanto-flash' " + strArgs + " </dev/null >flash.out 2>&1";
        if ((pid = fork()) == 0) {
            signal(SIGINT, SIG_DFL);  // also when the test runs with Ctrl-C ignored
            execl("/bin/sh", "sh", "-c", strCommand.c_str(), nullptr);
            _exit(127);
        }
    }
    ~CFlashRun() { Interrupt(SIGKILL), Wait(); }
    void Interrupt(int nSignal = SIGINT) {  // Ctrl-C
        if (pid > 0) {
            kill(pid, nSignal);
        }
    }
    int Wait() {  // exit status, or 128 + the signal that ended it
        int nStatus = 0;
        if (pid > 0 && waitpid(pid, &nStatus, 0) == pid) {
            pid = -1;
            return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
        }
        return -1;
    }
    std::string Output() const {
        std::ifstream in("flash.out", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    pid_t pid = -1;
};
