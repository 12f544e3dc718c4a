#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/updater_app.h"
#include "tools/vanto-flash/frame_trace.h"
#include "tools/vanto-flash/road_wait.h"
#include "tools/vanto-flash/run_report.h"
#include "tools/vanto-flash/terminal_page.h"
#include "tools/vanto-flash/terminal_sheet.h"
#include "tools/vanto-flash/update_file.h"
#include "wizard/procedures/procedure_exit.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"

// One device's road on a terminal: the scan of its port (or of COM1..COM10),
// then the programming run, each the wizard's own procedure, whose events a
// terminal page turns into lines. The thread that calls Run plays the
// wizard's user-interface thread; the procedures start their own workers.
// vanto-flash takes one road for one device, and one road per device, each
// on its own thread, for several devices at once.
class CDeviceRoad {
public:
    // Creates the application and its engine; the engine opens COM1 as it
    // always does at start-up. While a procedure runs, the road's thread
    // waits on wait (which must outlive the road) for a request to end; the
    // road wakes it when the procedure has ended.
    CDeviceRoad(ITerminalOutput& output, IRoadWait& wait);
    CDeviceRoad(const CDeviceRoad&) = delete;
    CDeviceRoad& operator=(const CDeviceRoad&) = delete;

    // The update file every load reads; with bNamed, the one given with
    // --file, else the engine chooses kst.hex or kst.a90 as it always does.
    // Each load must count exactly the blocks the check counted.
    void UseFile(const SUpdateFile& file, bool bNamed);
    // COMn is the device file that pMap gives it (the run's map) from now on.
    void UsePortMap(std::shared_ptr<const CComPortMap> pMap);
    // -v: what goes over the line goes to pOut as it passes.
    void TraceFrames(std::FILE* pOut);
    // Closes the port the engine opened at start-up, so that roads made one
    // after another leave COM1 free for the road that is to use it.
    void ReleasePort() { m_app.ClosePort(); }
    // The device file COMn stands for on this road; "" when none.
    std::string DeviceFile(int nPort) const { return m_app.PortDeviceFile(nPort); }

    // The scan of COMn (0: COM1..COM10 until the device answers), then the
    // run when the device answered; the exit status. onScanOver is called
    // when the scan is over (not when a signal ended it), with whether the
    // device answered. *pReport gets what the road did; its strProblem says
    // in words what the terminal reports for an outcome that has no result
    // text (an interrupt, an unnamed device status). A signal ends the road
    // through CProcedureExit: the scan stops, a transfer in progress is
    // aborted on the device.
    int Run(int nPort, SRunReport* pReport,
            const std::function<void(bool bFound)>& onScanOver = {});

    // The two halves of Run, for a station that takes them again and again
    // on one road. Scan: the scan of COMn alone (0: COM1..COM10) into
    // *pOutcome; returns the signal that ended it (the scan stopped through
    // CProcedureExit, *pOutcome untouched), else 0. With pOutcome->bFound
    // the port stays open for Program.
    int Scan(int nPort, SScanOutcome* pOutcome);
    // Program: the programming run on the port the last scan left open;
    // fills the run's figures and outcome into *pReport (the file, the port
    // and the device are the caller's) and returns the exit status as Run
    // does. A signal aborts a transfer in progress on the device.
    int Program(SRunReport* pReport);

private:
    int SignalUntilEnded(const std::function<bool()>& hasEnded);
    CUpdateEngine& Engine() { return *m_app.m_pEngine; }

    // The page before the application and the procedures, so that the
    // procedures' threads end before the page goes.
    IRoadWait& m_wait;
    CTerminalSheet m_sheet;
    CTerminalPage m_page;
    CUpdaterApp m_app;
    CSetup m_setup{m_app, m_page};
    CProgTarget m_prog{m_app, m_page};
    CProcedureExit m_exit{m_app, m_setup, m_prog};
    std::unique_ptr<CFrameTrace> m_pTrace;
};
