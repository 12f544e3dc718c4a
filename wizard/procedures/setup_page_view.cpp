#include "wizard/procedures/setup_page_view.h"

#include <cstdio>
#include <string>

#include "res/control_ids.h"
#include "res/page_texts.h"
#include "wizard/procedures/page_controls.h"

namespace {

std::string WithPortNumber(const char* pszFormat, int n) {
    char szText[64];
    std::snprintf(szText, sizeof szText, pszFormat, n);
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
            // an empty COM number: one indented line says which device file
            // it is and what is wrong.
            const std::string strCause = DescribeOpenFailure(attempt.failure);
            if (!strCause.empty()) {
                m_controls.AppendText(
                    IDC_SCAN_LOG, "    " + attempt.failure.strDevice + ": " + strCause + "\r\n");
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

void CSetupPageView::ScanEnded(const SScanOutcome& outcome) {
    m_controls.SetText(IDC_SETUP_STATUS, outcome.bFound ? kDeviceFound : kDeviceNotFound);
    m_controls.SetText(IDC_SCAN_BUTTON, kScanButton);
}
