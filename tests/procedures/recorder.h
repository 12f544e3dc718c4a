#pragma once
// What the procedures' tests watch them through: a page and wizard sheet that
// record every call, through the page views.

#include <future>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "app/wizard_sheet.h"
#include "tests/support/expected_texts.h"
#include "wizard/procedures/page_controls.h"

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
