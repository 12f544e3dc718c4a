#pragma once

#include <map>
#include <mutex>
#include <string>

#include "tools/vanto-flash/terminal_output.h"
#include "wizard/procedures/page_controls.h"

class CComPort;

// The setup and programming pages on a terminal. The procedures call in from
// their worker threads; each call is passed on at once under one lock, which
// keeps the order in which the calls were made. What goes to the output:
//   - each completed line of the scan log ("COM Port3--Device Found"),
//   - each status text when it changes; the found text names the port and
//     its device file instead of the wizard's Next button,
//   - the progress of a run,
//   - the result box's text, marked as a failure when the run failed.
// "\r\n" in the system's texts becomes a line break. Titles, button texts and
// the elapsed-time label have no use here and print nothing.
class CTerminalPage : public IPageControls {
public:
    explicit CTerminalPage(ITerminalOutput& output);

    void SetText(int nId, const std::string& strText) override;
    void AppendText(int nId, const std::string& strText) override;
    void Show(int nId, bool bShow) override;
    void Enable(int nId, bool bEnable) override;
    void SetProgressRange(int nId, int nMax) override;
    void SetProgressPos(int nId, int nPos) override;
    void ShowMessageBox(const std::string& strText, const std::string& strCaption) override;
    void Beep() override;

    // Prints nothing more (the run is being abandoned on a signal).
    void Silence();
    // The port whose device files the found text names.
    void UsePort(const CComPort* pPort) { m_pPort = pPort; }

    // "\r\n" to "\n", without a trailing line break.
    static std::string ToTerminalText(const std::string& strText);
    // The terminal's words for a status text of the pages, given the port the
    // scan was on and its device file; the text itself when it needs none.
    static std::string TerminalWording(const std::string& strText, int nPort,
                                       const std::string& strDevice);
    // True for the texts that report a failure (they go to the error stream).
    static bool IsFailureText(const std::string& strText);

private:
    void PassOn(const std::string& strText, bool bScanLine);
    void NoteScanPort(const std::string& strLogText);

    std::mutex m_lock;
    ITerminalOutput& m_output;
    bool m_bSilent = false;
    std::string m_strPendingLog;             // scan log text after its last line break
    int m_nScanPort = 0;                     // the port of the scan log's last "COM Port%d--"
    std::map<int, std::string> m_lastTexts;  // last text of each status label
    std::string m_strLastBoxText;
    int m_nProgressMax = 0;
    bool m_bProgressStarted = false;
    const CComPort* m_pPort = nullptr;
};
