#include "tools/vanto-flash/terminal_page.h"

#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"

CTerminalPage::CTerminalPage(std::FILE* pOut, bool bInteractive)
    : m_pOut(pOut), m_bInteractive(bInteractive), m_progress(pOut, bInteractive) {}

std::string CTerminalPage::ToTerminalText(const std::string& strText) {
    std::string strOut;
    strOut.reserve(strText.size());
    for (size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n') {
            continue;  // the '\n' that follows makes the break
        }
        strOut += strText[i];
    }
    while (!strOut.empty() && (strOut.back() == '\n' || strOut.back() == '\r')) {
        strOut.pop_back();
    }
    return strOut;
}

void CTerminalPage::PrintBlock(const std::string& strText) {
    if (m_bSilent) {
        return;
    }
    std::fprintf(m_pOut, "%s\n", ToTerminalText(strText).c_str());
    std::fflush(m_pOut);
}

void CTerminalPage::SetText(int nId, const std::string& strText) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (nId == IDC_SCAN_LOG) {
        m_strPendingLog.clear();  // the log was emptied, a started line with it
        return;
    }
    if (nId != IDC_SETUP_STATUS && nId != IDC_PROG_STATUS) {
        return;
    }
    std::string& strLast = m_lastTexts[nId];
    if (strText == strLast) {
        return;
    }
    strLast = strText;
    // After the result box the status repeats its text: printed once is enough.
    if (!strText.empty() && strText != m_strLastBoxText) {
        PrintBlock(strText);
    }
}

void CTerminalPage::AppendText(int nId, const std::string& strText) {
    if (nId != IDC_SCAN_LOG) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_strPendingLog += strText;
    for (size_t nBreak = m_strPendingLog.find("\r\n"); nBreak != std::string::npos;
         nBreak = m_strPendingLog.find("\r\n")) {
        PrintBlock(m_strPendingLog.substr(0, nBreak));
        m_strPendingLog.erase(0, nBreak + 2);
    }
}

void CTerminalPage::Show(int nId, bool bShow) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (nId == IDC_PROGRESS && !bShow && m_bProgressStarted) {
        m_bProgressStarted = false;
        if (!m_bSilent) {
            m_progress.Stop();
        }
    }
}

void CTerminalPage::Enable(int /*nId*/, bool /*bEnable*/) {}

void CTerminalPage::SetProgressRange(int nId, int nMax) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (nId == IDC_PROGRESS) {
        m_nProgressMax = nMax;
        m_bProgressStarted = false;
    }
}

void CTerminalPage::SetProgressPos(int nId, int nPos) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (nId != IDC_PROGRESS || m_bSilent) {
        return;
    }
    if (!m_bProgressStarted) {
        // The page puts the bar at 1 before the first block goes out: that is
        // the start of the run, no block is done yet.
        m_bProgressStarted = true;
        m_progress.Start(m_nProgressMax);
        return;
    }
    m_progress.Update(nPos);
}

void CTerminalPage::ShowMessageBox(const std::string& strText, const std::string& /*strCaption*/) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_strLastBoxText = strText;
    // A failed load shows its status before the box: the same text once.
    if (strText != m_lastTexts[IDC_PROG_STATUS]) {
        PrintBlock(strText);
    }
}

void CTerminalPage::Beep() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bInteractive && !m_bSilent) {
        std::fputc('\a', m_pOut);
        std::fflush(m_pOut);
    }
}

void CTerminalPage::Silence() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bProgressStarted) {
        m_progress.Stop();
        m_bProgressStarted = false;
    }
    m_bSilent = true;
}
