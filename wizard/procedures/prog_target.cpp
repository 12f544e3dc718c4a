#include "wizard/procedures/prog_target.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "app/updater_app.h"
#include "app/wizard_sheet.h"
#include "link/update_engine.h"
#include "res/page_texts.h"
#include "wizard/procedures/page_controls.h"

namespace {

// The device needs a moment after the page's last exchange before it takes
// the first block.
constexpr auto kPauseBeforeFirstBlock = std::chrono::milliseconds(100);
// How long leaving waits for the worker to notice its port is gone.
constexpr auto kAbandonWait = std::chrono::milliseconds(200);

struct ResultText {
    int nCode;
    const char* pszText;
};

constexpr ResultText kResultTexts[] = {
    {UPD_OK, "The device has been updated successfully"},
    {UPD_CHECKSUM_ERROR, "Over All Checksum Error\r\nPlease restart programming"},
    {UPD_FLASH_ADDRESS_ERROR, "Flash Address Error"},
    {UPD_PORT_WRITE_FAILED, "COM port transmission failed. Please retry."},
    {UPD_NO_RESPONSE,
     "Could not get response from the device.\r\n"
     "Please check cable connection and power supply and retry\r\n"},
    {UPD_TRANSMISSION_ERROR, "Data transmission error. Please restart programming"},
    {UPD_FILE_ERROR, "Update file not found or may be crashed.\r\nTask can not continue"},
};

}  // namespace

CProgTarget::CProgTarget(CUpdaterApp& app, IPageControls& controls)
    : m_app(app), m_controls(controls) {}

CProgTarget::~CProgTarget() {
    WaitForRun();
}

void CProgTarget::OnInitDialog() {
    m_controls.SetText(IDC_PROG_STATUS, "Ready to update the device now.");
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
    if (m_app.m_nProgState != 0 || m_bThreadRunning) {
        return;
    }
    // The other worker is the scan (the user pressed Next while it ran): it
    // owns the port until it ends. Say so rather than ignore the press.
    if (!m_app.ClaimLink()) {
        m_controls.SetText(IDC_PROG_STATUS, kScanStillRunning);
        return;
    }
    m_nBlocksDone = 0;
    m_bAbandoned = false;
    if (m_thread.joinable()) {
        m_thread.join();  // the previous run has ended; reap its thread
    }
    ShowResultStatus(-1);

    CUpdateEngine& engine = *m_app.m_pEngine;
    if (!engine.LoadUpdateImage()) {
        m_app.ReleaseLink();
        m_controls.Beep();
        ShowResultStatus(UPD_FILE_ERROR);
        ShowResultBox(UPD_FILE_ERROR);
        m_nLastResult = UPD_FILE_ERROR;
        return;
    }
    m_nBlockTotal = engine.m_image.m_nBlockCount;
    m_controls.Show(IDC_PROGRESS, true);
    m_controls.Enable(IDC_PROGRESS, true);
    // The whole count: a range cut to 16 bits would end the bar early (or at 0).
    m_controls.SetProgressRange(IDC_PROGRESS, m_nBlockTotal);
    m_controls.SetText(IDC_PROG_STATUS, "Programming In Process, Please Wait...");
    m_controls.Show(IDC_ELAPSED_TIME, true);
    m_controls.Enable(IDC_ELAPSED_TIME, true);
    m_controls.SetProgressPos(IDC_PROGRESS, 1);
    StartWorker();
}

// The state is busy before the worker runs, so the worker never starts idle.
void CProgTarget::StartWorker() {
    m_app.m_nProgState = 1;
    m_bThreadRunning = true;
    try {
        m_thread = std::thread(&CProgTarget::ProgThreadProc, this);
    } catch (const std::system_error&) {
        // No worker: back to Ready as if the run had never begun, no message.
        m_app.m_nProgState = 0;
        m_bThreadRunning = false;
        m_app.m_pEngine->CloseUpdateImage();
        m_controls.Show(IDC_PROGRESS, false);
        m_controls.Enable(IDC_PROGRESS, false);
        m_controls.Show(IDC_ELAPSED_TIME, false);
        m_controls.Enable(IDC_ELAPSED_TIME, false);
        m_controls.Enable(IDC_START_BUTTON, true);
        m_app.m_pWizard->PostWizardButtons(PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
        m_app.ReleaseLink();
    }
}

void CProgTarget::ProgThreadProc(CProgTarget* pPage) {
    const int nResult = pPage->RunProgramming();
    pPage->m_app.ReleaseLink();
    pPage->m_nLastResult = nResult;
    if (!pPage->m_bAbandoned) {
        pPage->ShowResultBox(nResult);
        pPage->ShowResultStatus(nResult);
    }
    pPage->m_bThreadRunning = false;
}

CProgTarget::EAbandonOutcome CProgTarget::AbandonRun() {
    m_bAbandoned = true;
    CUpdateEngine& engine = *m_app.m_pEngine;
    const uint8_t nPort = engine.m_pPort->PortNumber();
    m_app.ClosePort();  // the worker's port call returns at once, and so do the rest
    // The worker ends within milliseconds once its port is gone (its 100 ms
    // pause before the first block at most). One that does not still owns
    // the engine, which then cannot be used for the abort.
    if (!WaitForWorkerEnd(kAbandonWait)) {
        return EAbandonOutcome::DeviceNotTold;
    }
    if (!engine.m_bTransferOpen) {
        return EAbandonOutcome::NoTransfer;
    }
    const bool bTold = nPort != 0 && m_app.OpenPort(nPort) != 0 && engine.AbortTransfer() == UPD_OK;
    m_app.ClosePort();
    return bTold ? EAbandonOutcome::DeviceTold : EAbandonOutcome::DeviceNotTold;
}

bool CProgTarget::WaitForWorkerEnd(std::chrono::milliseconds maxWait) const {
    const auto deadline = std::chrono::steady_clock::now() + maxWait;
    while (m_bThreadRunning) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

int CProgTarget::RunProgramming() {
    m_nBlocksDone = 0;
    m_controls.Enable(IDC_START_BUTTON, false);
    // The worker's requests are for this page alone (see IWizardSheet).
    m_app.m_pWizard->PostPageButtons(WIZ_PAGE_PROG_TARGET, PSWIZB_DISABLEDFINISH);

    std::this_thread::sleep_for(kPauseBeforeFirstBlock);
    const std::time_t tStart = std::time(nullptr);
    CUpdateEngine& engine = *m_app.m_pEngine;
    // A port that hung up (an adapter pulled and plugged back) is opened
    // afresh; one that will not open fails at the first block's write.
    engine.m_pPort->ReopenIfFailed();
    const int nResult = SendAllBlocks(tStart);

    engine.CloseUpdateImage();
    m_controls.Show(IDC_PROGRESS, false);
    m_controls.Enable(IDC_PROGRESS, false);
    m_controls.SetText(IDC_ELAPSED_TIME, "");
    m_controls.Show(IDC_ELAPSED_TIME, false);
    m_controls.Enable(IDC_ELAPSED_TIME, false);
    // The user who left hears nothing; the program is closing (and a beep
    // that blocks, as on Windows, would hold up the abort for the device).
    if (!m_bAbandoned) {
        m_controls.Beep();
    }
    m_app.m_nProgState = 0;

    if (nResult == UPD_OK) {
        m_app.m_bUpdateDone = 1;
        m_app.m_pWizard->PostPageButtons(WIZ_PAGE_PROG_TARGET, PSWIZB_FINISH);
        // Also closes an exit question left open during the run: there is
        // nothing left to abandon.
        m_app.m_pWizard->CancelToClose();  // the Start button stays disabled
    } else {
        m_controls.Enable(IDC_START_BUTTON, true);
        m_app.m_pWizard->PostPageButtons(WIZ_PAGE_PROG_TARGET, PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
    }
    return nResult;
}

// Sends block after block until the image is exhausted or a block fails, and
// ends the transfer on the device: the commit form of the finish after the
// last block, the abort form after a link or device error. A file error
// (a bad record, or a file changed since it was counted) after blocks went
// out sends the abort form once, and so does a commit the device refused, so
// the device never holds a transfer that nobody ends. A commit that got no
// reply, or a garbled one, is left alone: the device may have committed.
int CProgTarget::SendAllBlocks(std::time_t tStart) {
    CUpdateEngine& engine = *m_app.m_pEngine;
    for (;;) {
        const int nResult = engine.SendNextBlock();
        m_controls.SetProgressPos(IDC_PROGRESS, ++m_nBlocksDone);
        ShowElapsedTime(tStart);
        if (nResult == UPD_MORE) {
            continue;
        }
        if (nResult == UPD_OK) {
            const int nFinish = engine.Finish(1);
            if (engine.m_bRefused) {
                engine.AbortTransfer();  // its own result does not change the run's
            }
            return nFinish;
        }
        if (nResult != UPD_FILE_ERROR) {
            engine.Finish(0);  // its own result does not change the run's
        } else if (engine.m_bTransferOpen) {
            engine.AbortTransfer();
        }
        return nResult;
    }
}

// The label is not written in the first second nor at a whole hour: it then
// keeps its previous text.
void CProgTarget::ShowElapsedTime(std::time_t tStart) {
    std::string strText;
    if (FormatElapsedTime(static_cast<long>(std::time(nullptr) - tStart), strText)) {
        m_controls.SetText(IDC_ELAPSED_TIME, strText);
    }
}

bool CProgTarget::FormatElapsedTime(long s, std::string& strText) {
    if (s % 3600 == 0) {
        return false;
    }
    const long nMinutes = s / 60 - (s / 3600) * 60;
    const long nSeconds = s - (s / 60) * 60;
    char szText[64];
    std::snprintf(szText, sizeof(szText), "Elapse Time: %ld:%ld", nMinutes, nSeconds);
    strText = szText;
    return true;
}

bool CProgTarget::GetResultText(int nCode, std::string& strText) {
    for (const ResultText& entry : kResultTexts) {
        if (entry.nCode == nCode) {
            strText = entry.pszText;
            return true;
        }
    }
    strText.clear();
    return false;
}

void CProgTarget::ShowResultBox(int nCode) {
    std::string strText;
    if (GetResultText(nCode, strText)) {
        m_controls.ShowMessageBox(strText, "VANTO Updating");
    }
}

void CProgTarget::ShowResultStatus(int nCode) {
    std::string strText;
    if (nCode != -1) {
        GetResultText(nCode, strText);
    }
    m_controls.SetText(IDC_PROG_STATUS, strText);
}

void CProgTarget::WaitForRun() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}
