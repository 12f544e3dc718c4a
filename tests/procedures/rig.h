#pragma once
// The procedures' world: the application, the page views and a page that
// records every call, over real pseudo-terminals and vanto-devsim.

#include <sys/file.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <numeric>
#include <tuple>

#include "app/updater_app.h"
#include "app/wizard_sheet.h"
#include "link/update_engine.h"
#include "res/control_ids.h"
#include "res/page_texts.h"
#include "tests/support/devsim_process.h"
#include "tests/support/expected_texts.h"
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

using Strings = std::vector<std::string>;

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
    // The procedures' tests have no pages: every request counts.
    void PostPageButtons(int, unsigned n) override { Put("buttons", 0, std::to_string(n)); }
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
    // with strDevsimArgs, 'h' locked by the test, 'n' /dev/null.
    // Sets VANTO_COM_PORTS and creates the engine; false when the device did not start.
    bool Start(const std::string& strPorts, const std::string& strDevsimArgs = "") {
        std::string strList;
        for (const char c : strPorts) {
            if (c == 's') {
                silent.push_back(std::make_unique<CSilentPeer>());
                strList += silent.back()->pty.SlavePath();
            } else if (c == 'h') {
                held.push_back(std::make_unique<PtyPair>());
                flock(held.back()->SlaveFd(), LOCK_EX);
                strList += held.back()->SlavePath();
            } else if (c == 'n') {
                strList += "/dev/null";
            } else if (c == 'd' && !device.Start(Words(strDevsimArgs + " --flash-out flash"))) {
                return false;
            }
            strList += c == 'd' ? device.LinkPath() + ":" : ":";
        }
        const bool bSet = setenv("VANTO_COM_PORTS", strList.c_str(), 1) == 0;
        app.CreateEngine();
        return bSet;
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
    std::vector<std::unique_ptr<PtyPair>> held;
    CRecorder page;
    CUpdaterApp app;
    CSetupPageView setupView{page};
    CResultNotingView progView{page};
    CSetup setup{app, setupView};
    CProgTarget prog{app, progView};
    CProcedureExit exit{app, setup, prog};
};
