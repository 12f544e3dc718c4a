#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/updater_app.h"
#include "link/com_port_map.h"
#include "link/update_engine.h"
#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/console_setup.h"
#include "tools/vanto-flash/flash_options.h"
#include "tools/vanto-flash/frame_trace.h"
#include "tools/vanto-flash/interrupt_pipe.h"
#include "tools/vanto-flash/port_choice.h"
#include "tools/vanto-flash/run_report.h"
#include "tools/vanto-flash/terminal_page.h"
#include "tools/vanto-flash/terminal_sheet.h"
#include "tools/vanto-flash/update_file.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"

// vanto-flash without a command: the wizard's road on a terminal. The update
// file is checked before any port is touched; then the scan and the
// programming run are the wizard's own procedures, driven through a terminal
// page. This file only starts them, waits for them and turns the outcome
// into the last line and the exit status.
namespace {

constexpr int kExitUpdated = 0;
constexpr int kExitNoDevice = 1;
constexpr int kExitOtherStatus = 9;
constexpr int kExitSignalBase = 128;
constexpr int kPollMilliseconds = 20;

const char kUsage[] =
    "usage: vanto-flash [--port N|PATH] [--file PATH] [--format hex|srec] [-q] [-v] [--json]\n"
    "       (see vanto-flash --help)\n";

constexpr unsigned kAcceptedOptions =
    OPT_PORT | OPT_FILE | OPT_FORMAT | OPT_QUIET | OPT_VERBOSE | OPT_JSON;

int ExitStatusFor(int nResult) {
    if (nResult == UPD_OK) {
        return kExitUpdated;
    }
    if (nResult >= UPD_CHECKSUM_ERROR && nResult <= UPD_FILE_ERROR) {
        return nResult;
    }
    return kExitOtherStatus;
}

// Waits while the worker runs; the signal that came first, 0 for none.
int SignalWhile(CInterruptPipe& interrupt, const std::function<bool()>& isRunning) {
    while (isRunning()) {
        if (const int nSignal = interrupt.WaitForInterrupt(kPollMilliseconds)) {
            return nSignal;
        }
    }
    return 0;
}

// The run's pieces, in the order they are made: the page before the
// application, so that the procedures' threads end before the page goes.
struct SRoad {
    explicit SRoad(const STerminalStreams& streams) : page(streams) {
        app.m_pWizard = &sheet;
        app.CreateFonts();
        app.CreateEngine();
    }
    CUpdateEngine& Engine() { return *app.m_pEngine; }

    CInterruptPipe interrupt;
    CTerminalSheet sheet;
    CTerminalPage page;
    CUpdaterApp app;
    std::unique_ptr<CFrameTrace> pTrace;
};

// The scan; the signal that ended it, else 0 when the device answered, else -1.
int RunScan(SRoad& road, int nPort) {
    CSetup setup(road.app, road.page);
    setup.SetSinglePort(nPort);
    setup.OnInitDialog();
    setup.OnSetActive();
    setup.OnScanDevice();
    if (const int nSignal = SignalWhile(road.interrupt, [&] { return setup.IsScanRunning(); })) {
        // No further port is opened once RequestStop returns, so the port
        // closed here stays closed, and the worker's identify fails at once.
        road.page.Silence();
        setup.RequestStop();
        road.app.ClosePort();
        setup.WaitForScan();
        return nSignal;
    }
    setup.WaitForScan();
    return road.app.m_bDeviceFound != 0 ? 0 : -1;
}

// What leaving did for the device, in one line; never that it was told when
// it was not.
void ReportAbandon(CProgTarget::EAbandonOutcome eOutcome) {
    switch (eOutcome) {
        case CProgTarget::EAbandonOutcome::NoTransfer:
            std::fputs("vanto-flash: interrupted before any block was sent\n", stderr);
            break;
        case CProgTarget::EAbandonOutcome::DeviceTold:
            std::fputs("vanto-flash: interrupted, the device was told to discard the transfer\n",
                       stderr);
            break;
        case CProgTarget::EAbandonOutcome::DeviceNotTold:
            std::fputs(
                "vanto-flash: interrupted; the device could not be told to discard the "
                "transfer (no answer, or the port is gone)\n",
                stderr);
            break;
    }
}

int RunProgramming(SRoad& road, SRunReport* pReport) {
    CProgTarget prog(road.app, road.page);
    prog.OnInitDialog();
    prog.OnSetActive();
    const auto tStart = std::chrono::steady_clock::now();
    prog.OnStartProgramming();
    const int nSignal = SignalWhile(road.interrupt, [&] { return prog.IsRunning(); });
    auto eAbandon = CProgTarget::EAbandonOutcome::NoTransfer;
    if (nSignal != 0) {
        road.page.Silence();
        eAbandon = prog.AbandonRun();  // the wizard's own way of leaving a run
    }
    prog.WaitForRun();
    CUpdateEngine& engine = road.Engine();
    pReport->dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    pReport->nBlocks = engine.m_nBlocksSent;
    pReport->nBlockTotal = prog.m_nBlockTotal;
    pReport->dwFinishTotal = engine.m_dwByteTotal;
    pReport->nDeviceStatus = engine.m_nStatus;
    if (nSignal != 0) {
        ReportAbandon(eAbandon);
        return kExitSignalBase + nSignal;
    }
    if (!prog.HasResult()) {
        std::fputs("vanto-flash: the programming thread could not be started\n", stderr);
        return kExitOtherStatus;
    }
    pReport->bHasResult = true;
    pReport->nResult = prog.LastResult();
    std::string strText;
    if (!CProgTarget::GetResultText(pReport->nResult, strText)) {
        std::fprintf(stderr, "vanto-flash: the device answered with status %d\n", pReport->nResult);
    }
    return ExitStatusFor(pReport->nResult);
}

// The road after the file check; the exit status.
int RunRoad(const SFlashOptions& options, const STerminalStreams& streams, const SUpdateFile& file,
            int nPort, SRunReport* pReport) {
    SRoad road(streams);
    if (!options.strFile.empty()) {
        road.Engine().ChooseUpdateFile(file.strPath, file.nFormat);
    }
    if (options.bVerbose) {
        road.pTrace = std::make_unique<CFrameTrace>(road.Engine(), stderr);
        road.page.SetFrameTrace(road.pTrace.get());
    }
    const int nScan = RunScan(road, nPort);
    if (nScan > 0) {
        std::fputs("vanto-flash: interrupted\n", stderr);
        return kExitSignalBase + nScan;
    }
    if (nScan < 0) {
        return kExitNoDevice;
    }
    pReport->nPort = road.Engine().m_pPort->PortNumber();
    pReport->strDevice = ComPortDevicePath(pReport->nPort);
    return RunProgramming(road, pReport);
}

int Finish(const SFlashOptions& options, SRunReport& report, int nExitStatus) {
    report.nExitStatus = nExitStatus;
    if (options.bJson) {
        std::printf("%s\n", JsonObject(report).c_str());
    } else if (nExitStatus == kExitUpdated) {
        std::printf("%s\n", SummaryLine(report).c_str());
    }
    std::fflush(stdout);
    return nExitStatus;
}

}  // namespace

int RunUpdateCommand(const CommandArgs& args) {
    SFlashOptions options;
    std::string strError;
    if (!ParseFlashOptions(args, kAcceptedOptions, &options, &strError)) {
        return ReportUsageError(strError, kUsage);
    }
    const int nPort = ChoosePort(options);
    if (nPort < 0) {
        return ReportUsageError("--port '" + options.strPortPath + "': names no COM port", kUsage);
    }
    STerminalStreams streams;
    streams.bInteractive = IsInteractiveOutput();
    streams.bQuiet = options.bQuiet || options.bJson;

    SRunReport report;
    SUpdateFile file;
    const bool bFileOk = PrepareUpdateFile(options, &file, stderr);
    report.strFile = file.strPath;
    if (!bFileOk) {
        std::string strText;
        CProgTarget::GetResultText(UPD_FILE_ERROR, strText);
        std::fprintf(stderr, "%s\n", CTerminalPage::ToTerminalText(strText).c_str());
        report.bHasResult = true;
        report.nResult = UPD_FILE_ERROR;
        return Finish(options, report, UPD_FILE_ERROR);
    }
    report.strFormat = FormatName(file.nFormat);
    report.nBlockTotal = file.check.m_nBlockCount;
    if (!streams.bQuiet) {
        std::printf("%s\n", SendingLine(file).c_str());
        std::fflush(stdout);
    }
    return Finish(options, report, RunRoad(options, streams, file, nPort, &report));
}
