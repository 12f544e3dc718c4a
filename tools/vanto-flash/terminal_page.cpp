#include "tools/vanto-flash/terminal_page.h"

#include <cstdlib>

#include "link/com_port.h"
#include "link/result_codes.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"

namespace {

// The scan's two outcomes as the setup page words them.
constexpr char kFoundText[] = "The device is found, Press \" Next \" to continue";
constexpr char kNotFoundText[] =
    "Is the device power on and in update mode?\r\nIs cable connection is good?";
constexpr char kPortPrefix[] = "COM Port";

}  // namespace

CTerminalPage::CTerminalPage(ITerminalOutput& output) : m_output(output) {}

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

std::string CTerminalPage::TerminalWording(const std::string& strText, int nPort,
                                           const std::string& strDevice) {
    if (strText != kFoundText) {
        return strText;
    }
    // "The device is found" as the page says it, then where instead of Next.
    return "The device is found on COM" + std::to_string(nPort) + " (" + strDevice + ")";
}

bool CTerminalPage::IsFailureText(const std::string& strText) {
    if (strText == kNotFoundText) {
        return true;
    }
    std::string strSuccess;
    CProgTarget::GetResultText(UPD_OK, strSuccess);
    for (int nCode = UPD_CHECKSUM_ERROR; nCode <= UPD_FILE_ERROR; ++nCode) {
        std::string strFailure;
        if (CProgTarget::GetResultText(nCode, strFailure) && strFailure == strText) {
            return true;
        }
    }
    return false;
}

void CTerminalPage::PassOn(const std::string& strText, bool bScanLine) {
    if (m_bSilent) {
        return;
    }
    const std::string strDevice =
        m_pPort != nullptr ? m_pPort->DevicePath(static_cast<uint8_t>(m_nScanPort)) : "";
    const std::string strLine = ToTerminalText(TerminalWording(strText, m_nScanPort, strDevice));
    if (bScanLine) {
        m_output.ScanLine(strLine);
    } else {
        m_output.Status(strLine, IsFailureText(strText));
    }
}

void CTerminalPage::NoteScanPort(const std::string& strLogText) {
    if (strLogText.rfind(kPortPrefix, 0) == 0) {
        m_nScanPort = std::atoi(strLogText.c_str() + sizeof kPortPrefix - 1);
    }
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
        PassOn(strText, false);
    }
}

void CTerminalPage::AppendText(int nId, const std::string& strText) {
    if (nId != IDC_SCAN_LOG) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    NoteScanPort(strText);
    m_strPendingLog += strText;
    for (size_t nBreak = m_strPendingLog.find("\r\n"); nBreak != std::string::npos;
         nBreak = m_strPendingLog.find("\r\n")) {
        PassOn(m_strPendingLog.substr(0, nBreak), true);
        m_strPendingLog.erase(0, nBreak + 2);
    }
}

void CTerminalPage::Show(int nId, bool bShow) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (nId == IDC_PROGRESS && !bShow && m_bProgressStarted) {
        m_bProgressStarted = false;
        if (!m_bSilent) {
            m_output.ProgressStop();
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
        m_output.ProgressStart(m_nProgressMax);
        return;
    }
    m_output.ProgressUpdate(nPos);
}

void CTerminalPage::ShowMessageBox(const std::string& strText, const std::string& /*strCaption*/) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_strLastBoxText = strText;
    // A failed load shows its status before the box: the same text once.
    if (strText != m_lastTexts[IDC_PROG_STATUS]) {
        PassOn(strText, false);
    }
}

void CTerminalPage::Beep() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bSilent) {
        m_output.Bell();
    }
}

void CTerminalPage::Silence() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bProgressStarted) {
        m_output.ProgressStop();
    }
    m_bProgressStarted = false;
    m_bSilent = true;
}
