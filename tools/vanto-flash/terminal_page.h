#pragma once

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "tools/vanto-flash/progress_display.h"
#include "wizard/procedures/page_controls.h"

// The setup and programming pages on a terminal. The procedures call in from
// their worker threads; each call prints at once under one lock, which keeps
// the order in which the calls were made. What is printed:
//   - each completed line of the scan log ("COM Port3--Device Found"),
//   - each status text when it changes,
//   - the progress of a run (CProgressDisplay),
//   - the result box's text.
// "\r\n" in the system's texts becomes a line break. Titles, button texts and
// the elapsed-time label have no use here and print nothing.
class CTerminalPage : public IPageControls {
public:
    CTerminalPage(std::FILE* pOut, bool bInteractive);

    void SetText(int nId, const std::string& strText) override;
    void AppendText(int nId, const std::string& strText) override;
    void Show(int nId, bool bShow) override;
    void Enable(int nId, bool bEnable) override;
    void SetProgressRange(int nId, int nMax) override;
    void SetProgressPos(int nId, int nPos) override;
    void ShowMessageBox(const std::string& strText, const std::string& strCaption) override;
    void Beep() override;

    // Prints nothing more (the run is being abandoned on Ctrl-C).
    void Silence();

    // "\r\n" to "\n", without a trailing line break.
    static std::string ToTerminalText(const std::string& strText);

private:
    void PrintBlock(const std::string& strText);

    std::mutex m_lock;
    std::FILE* m_pOut;
    bool m_bInteractive;
    bool m_bSilent = false;
    std::string m_strPendingLog;             // scan log text after its last line break
    std::map<int, std::string> m_lastTexts;  // last text of each status label
    std::string m_strLastBoxText;
    int m_nProgressMax = 0;
    bool m_bProgressStarted = false;
    CProgressDisplay m_progress;
};
