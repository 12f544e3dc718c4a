#include "tools/vanto-flash/terminal_page.h"

#include <cstdio>

#include "link/result_codes.h"
#include "res/page_texts.h"
#include "wizard/procedures/open_failure_text.h"
#include "wizard/procedures/prog_page_view.h"

namespace {

std::string WithPortNumber(const char* pszFormat, int n) {
    char szText[64];
    std::snprintf(szText, sizeof szText, pszFormat, n);
    return CTerminalPage::ToTerminalText(szText);
}

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

std::string CTerminalPage::ResultText(int nCode) {
    std::string strText;
    CProgPageView::GetResultText(nCode, strText);
    return ToTerminalText(strText);
}

void CTerminalPage::ScanStarting() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bSilent) {
        m_output.Status(ToTerminalText(kScanPressed), false);
    }
}

void CTerminalPage::PortTried(const SPortAttempt& attempt) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bSilent || attempt.eOutcome == EPortOutcome::Probing) {
        return;
    }
    if (attempt.eOutcome == EPortOutcome::NotAvailable) {
        const std::string strCause = DescribeOpenFailure(attempt.failure);
        m_output.PortNotOpened(strCause.empty() ? "" : attempt.failure.strDevice + ": " + strCause);
        m_output.ScanLine(WithPortNumber(kLogPortNotAvailable, attempt.nPort));
        if (!strCause.empty()) {
            m_output.ScanLine("    " + attempt.failure.strDevice + ": " + strCause);
            for (const std::string& strAdvice : OpenFailureAdvice(attempt.failure)) {
                m_output.ScanLine("      " + strAdvice);
            }
        }
        return;
    }
    const bool bFound = attempt.eOutcome == EPortOutcome::DeviceFound;
    m_output.ScanLine(WithPortNumber(kLogPortOpened, attempt.nPort) +
                      ToTerminalText(bFound ? kLogDeviceFound : kLogDeviceNotFound));
}

void CTerminalPage::ScanEnded(const SScanOutcome& outcome) {
    PassOnScanEnded(outcome);
    NoteEnded();
}

void CTerminalPage::RunEnded(const SRunResult& result) {
    PassOnRunEnded(result);
    NoteEnded();
}

void CTerminalPage::NoteEnded() const {
    if (m_fnEnded) {
        m_fnEnded();
    }
}

// Where the device answered, in the place of the wizard's Next button.
void CTerminalPage::PassOnScanEnded(const SScanOutcome& outcome) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_lastOutcome = outcome;
    m_bHasOutcome = true;
    if (m_bSilent) {
        return;
    }
    if (outcome.bFound) {
        m_output.Status("The device is found on COM" + std::to_string(outcome.nPort) + " (" +
                            outcome.strDevice + ")",
                        false);
    } else {
        m_output.Status(ToTerminalText(kDeviceNotFound), true);
    }
}

void CTerminalPage::StartWaitsForScan() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bSilent) {
        m_output.Status(ToTerminalText(kScanStillRunning), true);
    }
}

void CTerminalPage::ImageLoaded(int nBlockTotal) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bSilent) {
        m_output.Status(kProgRunning, false);
        m_output.ProgressStart(nBlockTotal);
    }
}

void CTerminalPage::BlockSent(const SRunProgress& progress) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bSilent) {
        m_output.ProgressUpdate(static_cast<int>(progress.nBlocksSent));
    }
}

void CTerminalPage::TransferEnded(const SRunResult& result) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bSilent) {
        m_output.ProgressStop();
        if (result.eEnd != ERunEnd::Left) {
            m_output.Bell();
        }
    }
}

void CTerminalPage::PassOnRunEnded(const SRunResult& result) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_lastResult = result;
    m_bHasResult = true;
    if (m_bSilent || result.eEnd == ERunEnd::Left) {
        return;
    }
    if (result.eEnd == ERunEnd::NotStarted) {
        m_output.ProgressStop();
        return;
    }
    if (result.eEnd == ERunEnd::NoImage) {
        m_output.Bell();
    }
    const std::string strText = ResultText(result.nCode);
    if (!strText.empty()) {
        m_output.Status(strText, result.nCode != UPD_OK);
    }
}

void CTerminalPage::Silence() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bSilent) {
        m_output.ProgressStop();
    }
    m_bSilent = true;
}

void CTerminalPage::ForgetLastEnds() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bHasOutcome = false;
    m_bHasResult = false;
}

bool CTerminalPage::LastScanOutcome(SScanOutcome* pOutcome) {
    std::lock_guard<std::mutex> lock(m_lock);
    *pOutcome = m_lastOutcome;
    return m_bHasOutcome;
}

bool CTerminalPage::LastRunResult(SRunResult* pResult) {
    std::lock_guard<std::mutex> lock(m_lock);
    *pResult = m_lastResult;
    return m_bHasResult;
}
