#include "wizard/procedures/setup.h"

#include "app/updater_app.h"
#include "app/wizard_sheet.h"
#include "link/update_engine.h"

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 10;
// Identify already sends its frame twice; six calls give a device that is
// still booting into update mode a few seconds to answer.
constexpr int kIdentifyCalls = 6;

}  // namespace

CSetup::CSetup(CUpdaterApp& app, IScanEvents& events) : m_app(app), m_events(events) {}

CSetup::~CSetup() {
    RequestStop();
    WaitForScan();
}

void CSetup::OnSetActive() {
    m_app.m_pWizard->PostWizardButtons(m_app.m_bDeviceFound != 0 ? PSWIZB_BACK | PSWIZB_NEXT
                                                                 : PSWIZB_BACK);
}

void CSetup::OnScanDevice() {
    m_events.ScanPressed();
    if (m_bScanning != 0) {
        m_bScanning = 0;  // the scan ends after its current identify call
        return;
    }
    // A stopped scan that has not ended yet still owns the port, and so does a
    // programming run: a second worker would interleave frames on the line.
    if (m_worker.IsRunning() || m_bStopForGood || !m_app.ClaimLink()) {
        return;
    }
    m_events.ScanStarting();
    m_bScanning = 1;
    const bool bStarted = m_worker.Start([this] {
        ScanPorts();
        m_app.ReleaseLink();
    });
    if (!bStarted) {
        // No thread: the press's button and status stay until the next press.
        m_bScanning = 0;
        m_app.ReleaseLink();
    }
}

void CSetup::ScanPorts() {
    m_events.ScanBegun();
    const int nFirst = m_nSinglePort != 0 ? m_nSinglePort : kFirstPort;
    const int nLast = m_nSinglePort != 0 ? m_nSinglePort : kLastPort;
    int nResult = 0;  // no identify result yet: anything but UPD_OK
    int nPort = 0;
    bool bGoOn = true;
    for (int n = nFirst; n <= nLast && bGoOn; ++n) {
        SPortAttempt attempt;
        attempt.nPort = n;
        attempt.strDevice = m_app.PortDeviceFile(n);
        if (!MoveToPort(n)) {
            if (m_bStopForGood) {
                break;  // leaving the program: no further port is tried
            }
            // A port that does not open is passed without a look at m_bScanning.
            attempt.failure = m_app.m_pEngine->m_pPort->LastOpenFailure();
            m_events.PortTried(attempt);
            continue;
        }
        attempt.eOutcome = EPortOutcome::Probing;
        m_events.PortTried(attempt);
        nResult = IdentifyUpToSixTimes(&attempt.nIdentifyCalls);
        nPort = n;
        // A silent port sends the scan on to the next one while the scan is
        // still wanted; a stopped scan ends here.
        if (nResult == UPD_OK || m_bScanning == 0) {
            bGoOn = false;
        }
        attempt.eOutcome = nResult == UPD_OK ? EPortOutcome::DeviceFound : EPortOutcome::NoDevice;
        attempt.nIdentifyResult = nResult;
        m_events.PortTried(attempt);
    }
    FinishScan(nResult, nPort);
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

int CSetup::IdentifyUpToSixTimes(int* pnCalls) {
    int nResult = 0;
    int& nCalls = *pnCalls;
    do {
        nResult = m_app.m_pEngine->Identify();
        ++nCalls;
    } while (nResult != UPD_OK && m_bScanning == 1 && nCalls < kIdentifyCalls);
    return nResult;
}

void CSetup::FinishScan(int nLastResult, int nPort) {
    SScanOutcome outcome;
    if (nLastResult == UPD_OK) {
        // The port the device answered on stays open for the programming page.
        m_app.m_bDeviceFound = 1;
        // Only for this page: the user may have gone Back or Next while the
        // scan ran, and those pages keep their own buttons. Coming back here
        // shows Next, as m_bDeviceFound is set before the request is posted.
        m_app.m_pWizard->PostPageButtons(WIZ_PAGE_SETUP, PSWIZB_BACK | PSWIZB_NEXT);
        outcome.bFound = true;
        outcome.nPort = nPort;
        outcome.strDevice = m_app.PortDeviceFile(nPort);
    } else {
        m_app.ClosePort();
    }
    m_bScanning = 0;
    m_events.ScanEnded(outcome);
}

void CSetup::RequestStop() {
    std::lock_guard<std::mutex> lock(m_portMoveLock);
    m_bStopForGood = true;
    m_bScanning = 0;
}
