#include "tools/vanto-flash/device_road.h"

#include <chrono>

#include "link/update_engine.h"
#include "tools/vanto-flash/exit_status.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"

namespace {

constexpr int kPollMilliseconds = 20;

// What leaving did for the device, in words; never that it was told when it
// was not.
const char* AbandonText(CProgTarget::EAbandonOutcome eOutcome) {
    switch (eOutcome) {
        case CProgTarget::EAbandonOutcome::NoTransfer:
            return "interrupted before any block was sent";
        case CProgTarget::EAbandonOutcome::DeviceTold:
            return "interrupted, the device was told to discard the transfer";
        case CProgTarget::EAbandonOutcome::DeviceNotTold:
            break;
    }
    return "interrupted; the device could not be told to discard the transfer (no answer, or the "
           "port is gone)";
}

}  // namespace

CDeviceRoad::CDeviceRoad(ITerminalOutput& output, StopWait waitForStop)
    : m_waitForStop(std::move(waitForStop)), m_page(output) {
    m_app.m_pWizard = &m_sheet;
    m_app.CreateFonts();
    m_app.CreateEngine();
    m_page.UsePort(Engine().m_pPort.get());
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

// Waits while a procedure's worker runs; the signal that came first, 0 for none.
int CDeviceRoad::SignalWhile(const std::function<bool()>& isRunning) {
    while (isRunning()) {
        if (const int nSignal = m_waitForStop(kPollMilliseconds)) {
            return nSignal;
        }
    }
    return 0;
}

// The scan; the signal that ended it, else 0 when the device answered, else -1.
int CDeviceRoad::RunScan(int nPort) {
    CSetup setup(m_app, m_page);
    setup.SetSinglePort(nPort);
    setup.OnInitDialog();
    setup.OnSetActive();
    setup.OnScanDevice();
    if (const int nSignal = SignalWhile([&] { return setup.IsScanRunning(); })) {
        // No further port is opened once RequestStop returns, so the port
        // closed here stays closed, and the worker's identify fails at once.
        m_page.Silence();
        setup.RequestStop();
        m_app.ClosePort();
        setup.WaitForScan();
        return nSignal;
    }
    setup.WaitForScan();
    return m_app.m_bDeviceFound != 0 ? 0 : -1;
}

int CDeviceRoad::RunProgramming(SRunReport* pReport) {
    CProgTarget prog(m_app, m_page);
    prog.OnInitDialog();
    prog.OnSetActive();
    const auto tStart = std::chrono::steady_clock::now();
    prog.OnStartProgramming();
    const int nSignal = SignalWhile([&] { return prog.IsRunning(); });
    auto eAbandon = CProgTarget::EAbandonOutcome::NoTransfer;
    if (nSignal != 0) {
        m_page.Silence();
        eAbandon = prog.AbandonRun();  // the wizard's own way of leaving a run
    }
    prog.WaitForRun();
    CUpdateEngine& engine = Engine();
    pReport->dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    pReport->nBlocks = engine.m_nBlocksSent;
    pReport->nBlockTotal = prog.m_nBlockTotal;
    pReport->dwFinishTotal = engine.m_dwByteTotal;
    pReport->nDeviceStatus = engine.m_nStatus;
    if (nSignal != 0) {
        pReport->strProblem = AbandonText(eAbandon);
        return kExitSignalBase + nSignal;
    }
    if (!prog.HasResult()) {
        pReport->strProblem = "the programming thread could not be started";
        return kExitOtherStatus;
    }
    pReport->bHasResult = true;
    pReport->nResult = prog.LastResult();
    std::string strText;
    if (!CProgTarget::GetResultText(pReport->nResult, strText)) {
        pReport->strProblem = "the device answered with status " + std::to_string(pReport->nResult);
    }
    return ExitStatusFor(pReport->nResult);
}

int CDeviceRoad::Run(int nPort, SRunReport* pReport,
                     const std::function<void(bool bFound)>& onScanOver) {
    const int nScan = RunScan(nPort);
    if (nScan > 0) {
        pReport->strProblem = "interrupted";
        return kExitSignalBase + nScan;
    }
    if (onScanOver) {
        onScanOver(nScan == 0);
    }
    if (nScan < 0) {
        return kExitNoDevice;
    }
    pReport->nPort = Engine().m_pPort->PortNumber();
    pReport->strDevice = Engine().m_pPort->DevicePath(static_cast<uint8_t>(pReport->nPort));
    return RunProgramming(pReport);
}
