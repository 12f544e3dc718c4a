#pragma once

class CUpdaterApp;
class CSetup;
class CProgTarget;

// What leaving did for the device.
enum class ELeaveOutcome {
    NoTransfer,     // the device holds no unfinished transfer (no run was going on,
                    // no block had gone out, or the run had already ended it)
    DeviceTold,     // the device acknowledged the abort form of the finish
    DeviceNotTold,  // the device may hold one: the abort could not be delivered or
                    // was not acknowledged, or a worker did not end in time to send it
};

// The one way out of a scan or a run when the user leaves the program (the
// wizards' confirmed exit, Ctrl-C or a signal in vanto-flash): stop request,
// wake, wait, abort, in that order.
class CProcedureExit {
public:
    CProcedureExit(CUpdaterApp& app, CSetup& setup, CProgTarget& prog);

    // Asks both procedures to stop for good (no further port, block, finish
    // or result), wakes their workers by closing the port under them, and
    // waits for them to end. When blocks of a run went out with no finish
    // after them, opens the same port again and sends the abort form of
    // CMD_FINISH once. Returns within about a second with the port
    // closed; no scan or run starts any more. A worker that did not end
    // within the wait (it is waiting for the user-interface thread) ends on
    // its own once it may go on: it sends nothing more and shows nothing.
    // UI thread (or the thread that plays it).
    ELeaveOutcome Leave();

private:
    ELeaveOutcome AbortOpenTransfer(int nPort);

    CUpdaterApp& m_app;
    CSetup& m_setup;
    CProgTarget& m_prog;
};
