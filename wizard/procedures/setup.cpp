#include "wizard/procedures/setup.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "app/updater_app.h"
#include "app/wizard_sheet.h"
#include "link/update_engine.h"
#include "wizard/procedures/page_controls.h"

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 10;
// Identify already sends its frame twice; six calls give a device that is
// still booting into update mode a few seconds to answer.
constexpr int kIdentifyCalls = 6;

std::string FormatPortText(const char* pszFormat, int n) {
    char szText[64];
    std::snprintf(szText, sizeof(szText), pszFormat, n);
    return szText;
}

}  // namespace

CSetup::CSetup(CUpdaterApp& app, IPageControls& controls) : m_app(app), m_controls(controls) {}

CSetup::~CSetup() {
    RequestStop();
    WaitForScan();
}

void CSetup::OnInitDialog() {
    m_controls.SetText(IDC_SETUP_TITLE, "Setup Serial Connection");
    m_controls.SetText(IDC_SETUP_STEP1,
                       "1, Connect serial cable between COM ports on PC\r\n   and device.");
    m_controls.SetText(IDC_SETUP_STEP2, "2, Power on the device and enter update mode.");
    m_controls.SetText(IDC_SETUP_STEP3, "3, Press the below button to scan the device.");
    m_controls.SetText(IDC_SCAN_BUTTON, "Scan Device");
    m_bScanning = 0;
}

void CSetup::OnSetActive() {
    m_app.m_pWizard->PostWizardButtons(m_app.m_bDeviceFound != 0 ? PSWIZB_BACK | PSWIZB_NEXT
                                                                 : PSWIZB_BACK);
}

void CSetup::OnScanDevice() {
    // Every press empties the log, the "Stop" press included.
    m_controls.SetText(IDC_SCAN_LOG, "");
    if (m_bScanning != 0) {
        m_bScanning = 0;  // the scan ends after its current identify call
        return;
    }
    // A stopped scan that has not ended yet still owns the port, and so does a
    // programming run: a second worker would interleave frames on the line.
    if (m_bThreadRunning || m_bStopForGood || !m_app.ClaimLink()) {
        return;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // the previous scan has ended; reap its thread
    }
    m_controls.SetText(IDC_SCAN_BUTTON, "Stop");
    m_controls.SetText(IDC_SETUP_STATUS,
                       "Connecting device...\r\nMake sure device is in update mode");
    m_bScanning = 1;
    m_bThreadRunning = true;
    try {
        m_thread = std::thread(&CSetup::ScanThreadProc, this);
    } catch (const std::system_error&) {
        // No thread: the button text and status stay until the next press.
        m_bScanning = 0;
        m_bThreadRunning = false;
        m_app.ReleaseLink();
    }
}

void CSetup::ScanThreadProc(CSetup* pPage) {
    pPage->ScanPorts();
    pPage->m_app.ReleaseLink();
    pPage->m_bThreadRunning = false;
}

void CSetup::ScanPorts() {
    m_controls.SetText(IDC_SCAN_BUTTON, "Stop");
    m_controls.Show(IDC_SCAN_LOG, true);
    m_controls.Enable(IDC_SCAN_LOG, true);
    m_controls.SetText(IDC_SETUP_STATUS, "Connecting device...");

    const int nFirst = m_nSinglePort != 0 ? m_nSinglePort : kFirstPort;
    const int nLast = m_nSinglePort != 0 ? m_nSinglePort : kLastPort;
    int nResult = 0;  // no identify result yet: anything but UPD_OK
    bool bGoOn = true;
    for (int n = nFirst; n <= nLast && bGoOn; ++n) {
        if (!MoveToPort(n)) {
            if (m_bStopForGood) {
                break;  // leaving the program: no further port is tried
            }
            // A port that does not open is passed without a look at m_bScanning.
            AppendLog(FormatPortText("COM Port%d--Not Available\r\n", n).c_str());
            AppendOpenFailureCause();
            continue;
        }
        AppendLog(FormatPortText("COM Port%d--", n).c_str());
        nResult = IdentifyUpToSixTimes();
        // A silent port sends the scan on to the next one while the scan is
        // still wanted; a stopped scan ends here.
        if (nResult == UPD_OK || m_bScanning == 0) {
            bGoOn = false;
        }
        AppendLog(nResult == UPD_OK ? "Device Found\r\n" : "Device Not Found\r\n");
    }
    FinishScan(nResult);
}

// Closes the current port and opens COMn. Under m_portMoveLock so that
// RequestStop either comes before the move (and no port is opened) or after
// it (and the caller's ClosePort closes the port just opened).
bool CSetup::MoveToPort(int n) {
    std::lock_guard<std::mutex> lock(m_portMoveLock);
    m_app.ClosePort();
    if (m_bStopForGood) {
        return false;
    }
    return m_app.OpenPort(n) != 0;
}

int CSetup::IdentifyUpToSixTimes() {
    int nResult = 0;
    int nCalls = 0;
    do {
        nResult = m_app.m_pEngine->Identify();
        ++nCalls;
    } while (nResult != UPD_OK && m_bScanning == 1 && nCalls < kIdentifyCalls);
    return nResult;
}

void CSetup::FinishScan(int nLastResult) {
    if (nLastResult == UPD_OK) {
        // The port the device answered on stays open for the programming page.
        m_app.m_bDeviceFound = 1;
        // Only for this page: the user may have gone Back or Next while the
        // scan ran, and those pages keep their own buttons. Coming back here
        // shows Next, as m_bDeviceFound is set before the request is posted.
        m_app.m_pWizard->PostPageButtons(WIZ_PAGE_SETUP, PSWIZB_BACK | PSWIZB_NEXT);
        m_controls.SetText(IDC_SETUP_STATUS, "The device is found, Press \" Next \" to continue");
    } else {
        m_app.ClosePort();
        m_controls.SetText(IDC_SETUP_STATUS,
                           "Is the device power on and in update mode?\r\n"
                           "Is cable connection is good?");
    }
    m_bScanning = 0;
    m_controls.SetText(IDC_SCAN_BUTTON, "Scan Device");
}

// A port that is there but cannot be used (permissions, another program on
// it, no serial port at all) would otherwise read like an empty COM number:
// one indented line says which device file it is and what is wrong.
void CSetup::AppendOpenFailureCause() {
    const SPortOpenFailure failure = m_app.m_pEngine->m_pPort->LastOpenFailure();
    const std::string strCause = DescribeOpenFailure(failure);
    if (!strCause.empty()) {
        AppendLog(("    " + failure.strDevice + ": " + strCause + "\r\n").c_str());
    }
}

void CSetup::AppendLog(const char* pszText) {
    m_controls.AppendText(IDC_SCAN_LOG, pszText);
}

void CSetup::WaitForScan() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CSetup::RequestStop() {
    std::lock_guard<std::mutex> lock(m_portMoveLock);
    m_bStopForGood = true;
    m_bScanning = 0;
}
