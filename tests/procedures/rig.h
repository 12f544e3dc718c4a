#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <numeric>

#include "app/updater_app.h"
#include "app/wizard_sheet.h"
#include "link/update_engine.h"
#include "res/control_ids.h"
#include "res/page_texts.h"
#include "tests/procedures/recorder.h"
#include "tests/support/devsim_process.h"
#include "tests/support/pty_pair.h"
#include "tests/support/silent_peer.h"
#include "tests/support/update_files.h"
#include "wizard/procedures/page_controls.h"
#include "wizard/procedures/procedure_exit.h"
#include "wizard/procedures/prog_page_view.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"
#include "wizard/procedures/setup_page_view.h"

inline constexpr long kIdentifyBytes = 11;  // one CMD_IDENTIFY frame

// A port that another program has open without a lock (as a modem manager
// probing a new port does): "sleep" holding the pty's slave side as its stdin.
struct CPortHolder {
    CPortHolder() {
        pty.CloseSlave();
        const std::string strCommand = "exec sleep 60 <'" + pty.SlavePath() + "'";
        if ((pid = fork()) == 0) {
            execl("/bin/sh", "sh", "-c", strCommand.c_str(), nullptr);
            _exit(127);
        }
        WaitUntil([this] {  // until sleep runs with the device open
            std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
            std::string strName;
            return std::getline(comm, strName) && strName == "sleep";
        });
    }
    ~CPortHolder() {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    PtyPair pty;
    pid_t pid = -1;
};

// The programming page's view, noting the code each run ended with.
struct CResultNotingView : CProgPageView {
    using CProgPageView::CProgPageView;
    void RunEnded(const SRunResult& result) override {
        nLastResult = result.nCode;
        CProgPageView::RunEnded(result);
    }
    std::atomic<int> nLastResult{-1};
};

// One test's world: a fresh working directory, the COM ports, the application.
struct CRig {
    CRig() {
        std::filesystem::current_path(dir.Path());
        app.m_pWizard = &page;
    }
    ~CRig() { std::filesystem::current_path(oldDir); }
    // One letter per port from COM1: 'a' absent, 's' silent, 'd' vanto-devsim
    // with strDevsimArgs, 'h' held open by another program, 'n' /dev/null.
    // Sets VANTO_COM_PORTS; false when the device did not start.
    bool Ports(const std::string& strPorts, const std::string& strDevsimArgs = "") {
        std::string strList;
        for (const char c : strPorts) {
            if (c == 's') {
                silent.push_back(std::make_unique<CSilentPeer>());
                strList += silent.back()->pty.SlavePath();
            } else if (c == 'h') {
                holders.push_back(std::make_unique<CPortHolder>());
                strList += holders.back()->pty.SlavePath();
            } else if (c == 'n') {
                strList += "/dev/null";
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
    bool LinkFree() {  // no worker holds the link
        const bool bFree = app.ClaimLink();
        if (bFree) {
            app.ReleaseLink();
        }
        return bFree;
    }
    int LastResult() const { return progView.nLastResult.load(); }
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
    std::vector<std::unique_ptr<CPortHolder>> holders;
    CRecorder page;
    CUpdaterApp app;
    CSetupPageView setupView{page};
    CResultNotingView progView{page};
    CSetup setup{app, setupView};
    CProgTarget prog{app, progView};
    CProcedureExit exit{app, setup, prog};
};
