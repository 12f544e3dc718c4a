#include "wizard/procedures/procedure_exit.h"

#include <chrono>

#include "app/updater_app.h"
#include "link/update_engine.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"

namespace {

// How long leaving waits for the workers once their port is gone: they end
// within milliseconds (the scan after its identify call, the run before its
// next block). With the abort's reply window of 800 ms the exit stays
// within a second.
constexpr auto kWorkerEndWait = std::chrono::milliseconds(200);

}  // namespace

CProcedureExit::CProcedureExit(CUpdaterApp& app, CSetup& setup, CProgTarget& prog)
    : m_app(app), m_setup(setup), m_prog(prog) {}

ELeaveOutcome CProcedureExit::Leave() {
    const int nPort = m_app.m_pEngine->m_pPort->PortNumber();
    // Stop: neither worker starts anything new on the link from here on.
    m_setup.RequestStop();
    m_prog.RequestStop();
    // Wake: a call blocked on the line returns at once, and so do the rest.
    m_app.ClosePort();
    // Wait, with one deadline for both. A worker that has not ended may
    // still be inside the engine, which then cannot be used for the abort.
    const auto deadline = std::chrono::steady_clock::now() + kWorkerEndWait;
    if (!m_setup.WaitUntilEnded(deadline) || !m_prog.WaitUntilEnded(deadline)) {
        return ELeaveOutcome::DeviceNotTold;
    }
    return AbortOpenTransfer(nPort);
}

// Abort: the workers have ended, so the engine is free. A run told to stop
// sends no finish of its own, so the abort goes out once, from here; so it
// does after a run that ended by itself but could not deliver its own abort
// (the port had failed).
ELeaveOutcome CProcedureExit::AbortOpenTransfer(int nPort) {
    CUpdateEngine& engine = *m_app.m_pEngine;
    if (!engine.m_bTransferOpen) {
        return ELeaveOutcome::NoTransfer;
    }
    // The worker may have reopened a port that had hung up just before it
    // was told to stop: then that port is the one to use.
    bool bOpen = nPort != 0 && engine.m_pPort->PortNumber() == nPort;
    if (!bOpen && nPort != 0) {
        bOpen = m_app.OpenPort(nPort) != 0;
    }
    const bool bTold = bOpen && engine.AbortTransfer() == UPD_OK;
    m_app.ClosePort();
    return bTold ? ELeaveOutcome::DeviceTold : ELeaveOutcome::DeviceNotTold;
}
