#include "wizard/procedures/prog_target.h"

#include <filesystem>

#include "app/updater_app.h"
#include "app/wizard_sheet.h"
#include "link/update_engine.h"

namespace {

// The device needs a moment after the page's last exchange before it takes
// the first block.
constexpr auto kPauseBeforeFirstBlock = std::chrono::milliseconds(100);

double SecondsSince(std::chrono::steady_clock::time_point tStart) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
}

}  // namespace

CProgTarget::CProgTarget(CUpdaterApp& app, IRunEvents& events) : m_app(app), m_events(events) {}

CProgTarget::~CProgTarget() {
    WaitForRun();
}

void CProgTarget::OnInitDialog() {
    m_app.m_pWizard->PostWizardButtons(PSWIZB_BACK);
}

void CProgTarget::OnSetActive() {
    m_app.m_pWizard->PostWizardButtons(m_app.m_bUpdateDone != 0
                                           ? PSWIZB_BACK | PSWIZB_FINISH
                                           : PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
}

void CProgTarget::OnStartProgramming() {
    // A run in progress ignores the press and changes nothing, its counter
    // included. So does one that has ended but still shows its result.
    if (m_app.m_nProgState != 0 || m_worker.IsRunning() || StopRequested()) {
        return;
    }
    // The other worker is the scan (the user pressed Next while it ran): it
    // owns the port until it ends. Say so rather than ignore the press.
    if (!m_app.ClaimLink()) {
        m_events.StartWaitsForScan();
        return;
    }
    m_nBlocksDone = 0;
    m_events.RunStarting();
    CUpdateEngine& engine = *m_app.m_pEngine;
    if (!engine.LoadUpdateImage()) {
        m_app.ReleaseLink();
        SRunResult result = ResultNow(UPD_FILE_ERROR, -1);
        result.eEnd = ERunEnd::NoImage;
        // Neither update file there: say where they were looked for (their
        // names are relative to the working directory).
        std::error_code error;
        if (!std::filesystem::is_regular_file("kst.hex", error) &&
            !std::filesystem::is_regular_file("kst.a90", error)) {
            result.strImageFolder = std::filesystem::current_path(error).string();
        }
        m_events.RunEnded(result);
        return;
    }
    m_nBlockTotal = engine.m_image.m_nBlockCount;
    m_events.ImageLoaded(m_nBlockTotal);
    StartWorker();
}

// The state is busy before the worker runs, so the worker never starts idle.
void CProgTarget::StartWorker() {
    m_app.m_nProgState = 1;
    if (m_worker.Start([this] { RunOnWorker(); })) {
        return;
    }
    // No worker: back to Ready as if the run had never begun, no message.
    m_app.m_nProgState = 0;
    m_app.m_pEngine->CloseUpdateImage();
    m_app.m_pWizard->PostWizardButtons(PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
    m_app.ReleaseLink();
    SRunResult result = ResultNow(0, -1);
    result.eEnd = ERunEnd::NotStarted;
    m_events.RunEnded(result);
}

void CProgTarget::RunOnWorker() {
    SRunResult result = RunProgramming();
    m_app.ReleaseLink();
    if (StopRequested()) {
        result.eEnd = ERunEnd::Left;
    }
    m_events.RunEnded(result);
}

void CProgTarget::RequestStop() {
    {
        std::lock_guard<std::mutex> lock(m_stopLock);
        m_bStopRequested = true;
    }
    m_stopWake.notify_all();
}

// False when the program is leaving meanwhile.
bool CProgTarget::PauseBeforeFirstBlock() {
    std::unique_lock<std::mutex> lock(m_stopLock);
    return !m_stopWake.wait_for(lock, kPauseBeforeFirstBlock, [this] { return StopRequested(); });
}

SRunResult CProgTarget::RunProgramming() {
    m_tBegun = std::chrono::steady_clock::now();
    m_nBlocksDone = 0;
    m_events.TransferBegun();
    // The worker's requests are for this page alone (see IWizardSheet).
    m_app.m_pWizard->PostPageButtons(WIZ_PAGE_PROG_TARGET, PSWIZB_DISABLEDFINISH);

    CUpdateEngine& engine = *m_app.m_pEngine;
    SRunResult result = ResultNow(UPD_PORT_WRITE_FAILED, -1);
    if (PauseBeforeFirstBlock()) {
        m_tRunStart = std::time(nullptr);
        // A port that hung up (an adapter pulled and plugged back) is opened
        // afresh; one that will not open fails at the first block's write.
        engine.m_pPort->ReopenIfFailed();
        result = SendAllBlocks();
    }
    engine.CloseUpdateImage();
    result.dSeconds = SecondsSince(m_tBegun);
    if (StopRequested()) {
        result.eEnd = ERunEnd::Left;
    }
    m_events.TransferEnded(result);
    m_app.m_nProgState = 0;

    if (result.nCode == UPD_OK) {
        m_app.m_bUpdateDone = 1;
        m_app.m_pWizard->PostPageButtons(WIZ_PAGE_PROG_TARGET, PSWIZB_FINISH);
        // Also closes an exit question left open during the run: there is
        // nothing left to leave from. The Start button stays disabled. Not
        // when the program is leaving anyway: the sheet is closing.
        if (!StopRequested()) {
            m_app.m_pWizard->CancelToClose();
        }
    } else {
        m_app.m_pWizard->PostPageButtons(WIZ_PAGE_PROG_TARGET, PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
    }
    return result;
}

// Sends block after block until the image is exhausted or a block fails, and
// ends the transfer on the device: the commit form of the finish after the
// last block, the abort form after a link or device error. A file error
// (a bad record, or a file changed since it was counted) after blocks went
// out sends the abort form once, and so does a commit the device refused, so
// the device never holds a transfer that nobody ends. A commit that got no
// reply, or a garbled one, is left alone: the device may have committed.
// The program leaving stops the loop before the next block, with no finish:
// CProcedureExit ends the transfer on the device.
SRunResult CProgTarget::SendAllBlocks() {
    CUpdateEngine& engine = *m_app.m_pEngine;
    // The device's verdict, where a reply with a status decided the outcome.
    const auto deviceStatus = [&engine](int nCode) {
        return nCode == UPD_OK || engine.m_bRefused ? int{engine.m_nStatus} : -1;
    };
    for (;;) {
        if (StopRequested()) {
            return ResultNow(UPD_NO_RESPONSE, -1);
        }
        const int nResult = engine.SendNextBlock();
        SRunProgress progress;
        progress.nCalls = ++m_nBlocksDone;
        progress.nBlocksSent = engine.m_nBlocksSent;
        progress.nBlockTotal = m_nBlockTotal;
        progress.nSeconds = static_cast<long>(std::time(nullptr) - m_tRunStart);
        m_events.BlockSent(progress);
        if (nResult == UPD_MORE) {
            continue;
        }
        if (nResult == UPD_OK) {
            const int nFinish = engine.Finish(1);
            // Taken before the abort, whose reply would overwrite the status.
            const SRunResult result = ResultNow(nFinish, deviceStatus(nFinish));
            if (engine.m_bRefused) {
                engine.AbortTransfer();  // its own result does not change the run's
            }
            return result;
        }
        const SRunResult result = ResultNow(nResult, deviceStatus(nResult));
        if (StopRequested()) {
            return result;
        }
        if (nResult != UPD_FILE_ERROR) {
            engine.Finish(0);  // its own result does not change the run's
        } else if (engine.m_bTransferOpen) {
            engine.AbortTransfer();
        }
        return result;
    }
}

SRunResult CProgTarget::ResultNow(int nCode, int nDeviceStatus) const {
    const CUpdateEngine& engine = *m_app.m_pEngine;
    SRunResult result;
    result.nCode = nCode;
    result.nDeviceStatus = nDeviceStatus;
    result.dwFinishTotal = engine.m_dwByteTotal;
    result.nBlocksSent = engine.m_nBlocksSent;
    result.nBlockTotal = m_nBlockTotal;
    return result;
}
