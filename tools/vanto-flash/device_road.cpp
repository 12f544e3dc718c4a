#include "tools/vanto-flash/device_road.h"

#include "link/update_engine.h"
#include "tools/vanto-flash/exit_status.h"

namespace {

// What leaving did for the device, in words; never that it was told when it
// was not.
const char* LeaveText(ELeaveOutcome eOutcome) {
    switch (eOutcome) {
        case ELeaveOutcome::NoTransfer:
            return "interrupted; no transfer was left open on the device";
        case ELeaveOutcome::DeviceTold:
            return "interrupted, the device was told to discard the transfer";
        case ELeaveOutcome::DeviceNotTold:
            break;
    }
    return "interrupted; the device could not be told to discard the transfer (no answer, or the "
           "port is gone)";
}

}  // namespace

CDeviceRoad::CDeviceRoad(ITerminalOutput& output, IRoadWait& wait) : m_wait(wait), m_page(output) {
    m_page.SetEndNotice([this] { m_wait.Wake(); });
    m_app.m_pWizard = &m_sheet;
    m_app.CreateFonts();
    m_app.CreateEngine();
}

void CDeviceRoad::UsePortMap(std::shared_ptr<const CComPortMap> pMap) {
    Engine().m_pPort->UsePortMap(std::move(pMap));
}

void CDeviceRoad::UseFile(const SUpdateFile& file, bool bNamed) {
    if (bNamed) {
        Engine().ChooseUpdateFile(file.strPath, file.nFormat);
    }
    Engine().ExpectImage(file.check.m_digest);
}

void CDeviceRoad::TraceFrames(std::FILE* pOut) {
    m_pTrace = std::make_unique<CFrameTrace>(pOut);
    Engine().m_pPort->SetObserver(m_pTrace.get());
}

// Waits until a procedure has ended (hasEnded: its end was reported, or its
// worker is not running); the signal that came first, 0 for none. The page
// wakes the wait when the procedure reports its end.
int CDeviceRoad::SignalUntilEnded(const std::function<bool()>& hasEnded) {
    while (!hasEnded()) {
        if (const int nSignal = m_wait.WaitForStopOrWake()) {
            return nSignal;
        }
    }
    return 0;
}

// The scan; the signal that ended it, else 0.
int CDeviceRoad::Scan(int nPort, SScanOutcome* pOutcome) {
    m_page.ForgetLastEnds();
    m_setup.SetSinglePort(nPort);
    m_setup.OnScanDevice();
    const auto scanEnded = [this] {
        SScanOutcome outcome;
        return m_page.LastScanOutcome(&outcome) || !m_setup.IsScanRunning();
    };
    if (const int nSignal = SignalUntilEnded(scanEnded)) {
        m_page.Silence();
        m_exit.Leave();
        return nSignal;
    }
    m_setup.WaitForScan();
    m_page.LastScanOutcome(pOutcome);
    return 0;
}

int CDeviceRoad::Program(SRunReport* pReport) {
    m_page.ForgetLastEnds();
    m_prog.OnStartProgramming();
    const int nSignal = SignalUntilEnded([this] {
        SRunResult result;
        return m_page.LastRunResult(&result) || !m_prog.IsRunning();
    });
    auto eLeave = ELeaveOutcome::NoTransfer;
    if (nSignal != 0) {
        m_page.Silence();
        eLeave = m_exit.Leave();  // the wizard's own way of leaving a run
    }
    m_prog.WaitForRun();
    SRunResult result;
    const bool bEnded = m_page.LastRunResult(&result);
    pReport->dSeconds = result.dSeconds;
    pReport->nBlocks = result.nBlocksSent;
    pReport->nBlockTotal = result.nBlockTotal;
    pReport->dwFinishTotal = result.dwFinishTotal;
    pReport->nDeviceStatus = result.nDeviceStatus;
    if (nSignal != 0) {
        pReport->strProblem = LeaveText(eLeave);
        return kExitSignalBase + nSignal;
    }
    if (!bEnded || result.eEnd == ERunEnd::NotStarted) {
        pReport->strProblem = "the programming thread could not be started";
        return kExitOtherStatus;
    }
    pReport->bHasResult = true;
    pReport->nResult = result.nCode;
    if (CTerminalPage::ResultText(result.nCode).empty()) {
        pReport->strProblem = "the device answered with status " + std::to_string(result.nCode);
    }
    return ExitStatusFor(result.nCode);
}

int CDeviceRoad::Run(int nPort, SRunReport* pReport,
                     const std::function<void(bool bFound)>& onScanOver) {
    SScanOutcome scan;
    if (const int nSignal = Scan(nPort, &scan)) {
        pReport->strProblem = "interrupted";
        return kExitSignalBase + nSignal;
    }
    if (onScanOver) {
        onScanOver(scan.bFound);
    }
    if (!scan.bFound) {
        return kExitNoDevice;
    }
    pReport->nPort = scan.nPort;
    pReport->strDevice = scan.strDevice;
    return Program(pReport);
}
