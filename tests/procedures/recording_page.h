#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "wizard/page_controls.h"
#include "wizard/wizard_sheet.h"

// A page that records what a procedure did to it, in the order of the calls,
// from whichever thread they came. Tests read it after the worker has ended.
class CRecordingPage : public IPageControls {
public:
    void SetText(int nId, const std::string& strText) override;
    void AppendText(int nId, const std::string& strText) override;
    void Show(int nId, bool bShow) override;
    void Enable(int nId, bool bEnable) override;
    void SetProgressRange(int nId, int nMax) override;
    void SetProgressPos(int nId, int nPos) override;
    void ShowMessageBox(const std::string& strText, const std::string& strCaption) override;
    void Beep() override;

    // The worker stops inside AppendText when the text equals strText, until
    // the test has called ReleasePause: the test's "user" can then press a
    // button at a known point of the scan.
    void PauseAtLogText(const std::string& strText);
    void WaitUntilPaused();
    void ReleasePause();

    std::string Text(int nId) const;
    bool IsShown(int nId) const;
    bool IsEnabled(int nId) const;
    std::vector<std::string> Events() const;  // "text 1030 ...", "pos 1013 3", ...
    std::vector<int> ProgressPositions() const;
    int ProgressMax() const;
    std::vector<std::string> BoxTexts() const;
    std::vector<std::string> BoxCaptions() const;
    int Beeps() const;
    // Every non-empty text the control was given, in order.
    std::vector<std::string> TextHistory(int nId) const;

private:
    void Record(const std::string& strEvent);

    mutable std::mutex m_lock;
    std::condition_variable m_pauseChanged;
    std::map<int, std::string> m_texts;
    std::map<int, std::vector<std::string>> m_textHistory;
    std::map<int, bool> m_shown;
    std::map<int, bool> m_enabled;
    std::vector<std::string> m_events;
    std::vector<int> m_positions;
    int m_nProgressMax = -1;
    std::vector<std::string> m_boxTexts;
    std::vector<std::string> m_boxCaptions;
    int m_nBeeps = 0;
    std::string m_strPauseText;
    bool m_bPaused = false;
    bool m_bReleased = false;
};

// A wizard sheet that records the button requests.
class CRecordingSheet : public IWizardSheet {
public:
    void PostWizardButtons(unsigned nFlags) override;
    void CancelToClose() override;

    std::vector<unsigned> Requests() const;
    unsigned LastRequest() const;  // 0 when none was posted
    int CancelToCloseCalls() const;

private:
    mutable std::mutex m_lock;
    std::vector<unsigned> m_requests;
    int m_nCancelToClose = 0;
};
