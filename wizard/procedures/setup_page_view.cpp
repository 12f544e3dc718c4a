#include "wizard/procedures/setup_page_view.h"

#include <cstdio>
#include <string>

#include "res/control_ids.h"
#include "res/page_texts.h"
#include "wizard/procedures/open_failure_text.h"
#include "wizard/procedures/page_controls.h"

namespace {

std::string WithPortNumber(const char* pszFormat, int n) {
    char szText[64];
    std::snprintf(szText, sizeof szText, pszFormat, n);
    return szText;
}

// "COM1 could not be used: permission denied".
std::string UnusablePortLine(int nPort, const SPortOpenFailure& failure) {
    char szText[128];
    std::snprintf(szText, sizeof szText, kStatusPortUnusable, nPort,
                  ShortOpenFailure(failure).c_str());
    return szText;
}

}  // namespace

void CSetupPageView::OnInitDialog() {
    m_controls.SetText(IDC_SETUP_TITLE, kSetupTitle);
    m_controls.SetText(IDC_SETUP_STEP1, kSetupStep1);
    m_controls.SetText(IDC_SETUP_STEP2, kSetupStep2);
    m_controls.SetText(IDC_SETUP_STEP3, kSetupStep3);
    m_controls.SetText(IDC_SCAN_BUTTON, kScanButton);
}

// Every press empties the log, the "Stop" press included.
void CSetupPageView::ScanPressed() {
    m_controls.SetText(IDC_SCAN_LOG, "");
}

void CSetupPageView::ScanStarting() {
    m_controls.SetText(IDC_SCAN_BUTTON, kStopButton);
    m_controls.SetText(IDC_SETUP_STATUS, kScanPressed);
}

void CSetupPageView::ScanBegun() {
    m_firstUnusable = SPortAttempt();
    m_controls.SetText(IDC_SCAN_BUTTON, kStopButton);
    m_controls.Show(IDC_SCAN_LOG, true);
    m_controls.Enable(IDC_SCAN_LOG, true);
    m_controls.SetText(IDC_SETUP_STATUS, kScanRunning);
}

void CSetupPageView::PortTried(const SPortAttempt& attempt) {
    switch (attempt.eOutcome) {
        case EPortOutcome::NotAvailable: {
            m_controls.AppendText(IDC_SCAN_LOG,
                                  WithPortNumber(kLogPortNotAvailable, attempt.nPort));
            // A port that is there but cannot be used (permissions, another
            // program on it, no serial port at all) would otherwise read like
            // an empty COM number: an indented line says which device file it
            // is and what is wrong, and the advice follows, indented further.
            const std::string strCause = DescribeOpenFailure(attempt.failure);
            if (strCause.empty()) {
                break;
            }
            std::string strLines = "    " + attempt.failure.strDevice + ": " + strCause + "\r\n";
            for (const std::string& strAdvice : OpenFailureAdvice(attempt.failure)) {
                strLines += "      " + strAdvice + "\r\n";
            }
            m_controls.AppendText(IDC_SCAN_LOG, strLines);
            if (m_firstUnusable.nPort == 0) {
                m_firstUnusable = attempt;
            }
            break;
        }
        case EPortOutcome::Probing:
            m_controls.AppendText(IDC_SCAN_LOG, WithPortNumber(kLogPortOpened, attempt.nPort));
            break;
        case EPortOutcome::DeviceFound:
            m_controls.AppendText(IDC_SCAN_LOG, kLogDeviceFound);
            break;
        case EPortOutcome::NoDevice:
            m_controls.AppendText(IDC_SCAN_LOG, kLogDeviceNotFound);
            break;
    }
}

// Without a device, a port that was there but could not be used is the
// likelier cause than power or cable: it is named below the two questions,
// where it stays in view when the log has scrolled past it.
void CSetupPageView::ScanEnded(const SScanOutcome& outcome) {
    std::string strStatus = outcome.bFound ? kDeviceFound : kDeviceNotFound;
    if (!outcome.bFound && m_firstUnusable.nPort != 0) {
        strStatus += "\r\n" + UnusablePortLine(m_firstUnusable.nPort, m_firstUnusable.failure);
    }
    m_controls.SetText(IDC_SETUP_STATUS, strStatus);
    m_controls.SetText(IDC_SCAN_BUTTON, kScanButton);
}
