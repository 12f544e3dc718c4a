#include <unistd.h>

#include <cstdio>
#include <functional>

#include "app/updater_app.h"
#include "link/update_engine.h"
#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/interrupt_pipe.h"
#include "tools/vanto-flash/terminal_page.h"
#include "tools/vanto-flash/terminal_sheet.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"

// vanto-flash without a command: the wizard's road on a terminal. The scan and
// the programming run are the wizard's own procedures, driven through a
// terminal page; this file only starts them, waits for them and turns the
// outcome into the exit status.
namespace {

constexpr int kExitUpdated = 0;
constexpr int kExitNoDevice = 1;
constexpr int kExitUsage = 2;
constexpr int kExitOtherStatus = 9;
constexpr int kExitInterrupted = 130;
constexpr int kPollMilliseconds = 20;

bool ParseUpdateArgs(const CommandArgs& args, int* pnPort) {
    *pnPort = 0;
    if (args.empty()) {
        return true;
    }
    return args.size() == 2 && args[0] == "--port" && ParseNumber(args[1], 1, 100, pnPort);
}

int ExitStatusFor(int nResult) {
    if (nResult == UPD_OK) {
        return kExitUpdated;
    }
    if (nResult >= UPD_CHECKSUM_ERROR && nResult <= UPD_FILE_ERROR) {
        return nResult;
    }
    return kExitOtherStatus;
}

// Waits while the worker runs; true when Ctrl-C came first.
bool InterruptedWhile(CInterruptPipe& interrupt, const std::function<bool()>& isRunning) {
    while (isRunning()) {
        if (interrupt.WaitForInterrupt(kPollMilliseconds)) {
            return true;
        }
    }
    return false;
}

// Tells the device that the transfer is abandoned, so that it discards the
// blocks it holds. The worker has ended and the port was closed under it, so
// the engine is free: reopen the same port and send the abort once. Its
// result is not shown: the run ends as interrupted whatever the device says.
void SendAbortFinish(CUpdaterApp& app, int nPort) {
    if (nPort == 0 || app.OpenPort(nPort) == 0) {
        return;
    }
    app.m_pEngine->AbortTransfer();
    app.ClosePort();
}

int RunScan(CSetup& setup, CUpdaterApp& app, CTerminalPage& page, CInterruptPipe& interrupt) {
    setup.OnInitDialog();
    setup.OnSetActive();
    setup.OnScanDevice();
    if (InterruptedWhile(interrupt, [&] { return setup.IsScanRunning(); })) {
        // No further port is opened once RequestStop returns, so the port
        // closed here stays closed, and the worker's identify fails at once.
        page.Silence();
        setup.RequestStop();
        app.ClosePort();
        setup.WaitForScan();
        return kExitInterrupted;
    }
    setup.WaitForScan();
    return app.m_bDeviceFound != 0 ? kExitUpdated : kExitNoDevice;
}

int RunProgrammingRoad(CProgTarget& prog, CUpdaterApp& app, CTerminalPage& page,
                       CInterruptPipe& interrupt) {
    const int nPort = app.m_pEngine->m_pPort->PortNumber();
    prog.OnInitDialog();
    prog.OnSetActive();
    prog.OnStartProgramming();
    if (InterruptedWhile(interrupt, [&] { return prog.IsRunning(); })) {
        page.Silence();
        app.ClosePort();  // the worker's next port call fails and it ends
        prog.WaitForRun();
        SendAbortFinish(app, nPort);
        return kExitInterrupted;
    }
    prog.WaitForRun();
    if (!prog.HasResult()) {
        std::fputs("vanto-flash: the programming thread could not be started\n", stderr);
        return kExitOtherStatus;
    }
    return ExitStatusFor(prog.LastResult());
}

}  // namespace

int RunUpdateCommand(const CommandArgs& args) {
    int nPort = 0;
    if (!ParseUpdateArgs(args, &nPort)) {
        std::fputs("usage: vanto-flash [--port N]   (N from 1 to 100; see --help)\n", stderr);
        return kExitUsage;
    }
    CInterruptPipe interrupt;
    CUpdaterApp app;
    CTerminalSheet sheet;
    CTerminalPage page(stdout, isatty(STDOUT_FILENO) != 0);
    app.m_pWizard = &sheet;
    app.CreateFonts();
    app.CreateEngine();

    CSetup setup(app, page);
    setup.SetSinglePort(nPort);
    int nStatus = RunScan(setup, app, page, interrupt);
    if (nStatus != kExitUpdated) {
        if (nStatus == kExitInterrupted) {
            std::fputs("vanto-flash: interrupted\n", stderr);
        }
        return nStatus;
    }
    CProgTarget prog(app, page);
    nStatus = RunProgrammingRoad(prog, app, page, interrupt);
    if (nStatus == kExitInterrupted) {
        std::fputs("vanto-flash: interrupted, the device was told to discard the transfer\n",
                   stderr);
    }
    return nStatus;
}
