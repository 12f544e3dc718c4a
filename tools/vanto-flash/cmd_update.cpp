#include <cstdio>
#include <memory>
#include <vector>

#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/console_setup.h"
#include "tools/vanto-flash/device_road.h"
#include "tools/vanto-flash/exit_status.h"
#include "tools/vanto-flash/flash_options.h"
#include "tools/vanto-flash/interrupt_pipe.h"
#include "tools/vanto-flash/many_devices.h"
#include "tools/vanto-flash/port_choice.h"
#include "tools/vanto-flash/run_report.h"
#include "tools/vanto-flash/station/station.h"
#include "tools/vanto-flash/stream_output.h"
#include "tools/vanto-flash/update_file.h"

// vanto-flash without a command: the wizard's road on a terminal. The update
// file is checked before any port is touched; then one device takes the
// wizard's road (CDeviceRoad) on this thread, and several devices take one
// road each at once (RunManyDevices). This file only chooses, starts and
// turns the outcome of one device into its last line and the exit status.
namespace {

const char kUsage[] =
    "usage: vanto-flash [--port N|PATH]... [--ports LIST | --all] [--file PATH]\n"
    "                   [--format hex|srec] [-q] [-v] [--json] [--] [FILE]\n"
    "       vanto-flash --watch (--port N|PATH... | --ports LIST | --all)\n"
    "                   [--log FILE] [--file PATH] [-q]\n"
    "       (see vanto-flash --help)\n";

constexpr unsigned kAcceptedOptions = OPT_PORT | OPT_PORTS | OPT_ALL | OPT_FILE | OPT_FORMAT |
                                      OPT_QUIET | OPT_VERBOSE | OPT_JSON | OPT_WATCH | OPT_LOG;

// --watch wants its ports, and --log goes with it.
bool CheckStationOptions(const SFlashOptions& options, std::string* pstrError) {
    if (!options.bWatch) {
        if ((options.nGiven & OPT_LOG) != 0) {
            *pstrError = "--log records a station's updates: give it with --watch";
            return false;
        }
        return true;
    }
    if (!options.bAll && options.PortsGiven() == 0) {
        *pstrError = "--watch needs the ports to watch: --all, --ports LIST or --port";
    } else if (options.bJson) {
        *pstrError = "--watch runs until it is stopped: its record is --log FILE, not --json";
    }
    return pstrError->empty();
}

int RunOneDevice(const SFlashOptions& options, const STerminalStreams& streams,
                 const SUpdateFile& file, int nPort, const std::shared_ptr<const CComPortMap>& pMap,
                 SRunReport* pReport) {
    CInterruptPipe interrupt;
    CStreamOutput output(streams);
    CDeviceRoad road(output, interrupt);
    road.UsePortMap(pMap);
    road.UseFile(file, !options.strFile.empty());
    if (options.bVerbose) {
        road.TraceFrames(stderr);
    }
    const int nExitStatus = road.Run(nPort, pReport);
    if (!pReport->strProblem.empty()) {
        std::fprintf(stderr, "vanto-flash: %s\n", pReport->strProblem.c_str());
    }
    return nExitStatus;
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
    if (const int nExit = BeginCommand(args, kAcceptedOptions, kUsage, &options); nExit >= 0) {
        return nExit;
    }
    std::string strError;
    if (!CheckStationOptions(options, &strError)) {
        return ReportUsageError(strError, kUsage);
    }
    // The run's one COM port map: every port of the run is opened through it.
    auto pMap = std::make_shared<CComPortMap>(CComPortMap::FromSystem());
    std::vector<int> ports;
    const bool bMany = options.bAll || options.PortsGiven() > 1 || options.bWatch;
    if (bMany && !ChoosePorts(options, pMap.get(), &ports, &strError)) {
        return ReportUsageError(strError, kUsage);
    }
    if (bMany && options.bVerbose) {
        return ReportUsageError("-v shows the frames of one device: give one port", kUsage);
    }
    // One port alone, from --port or a --ports of one, takes today's road.
    const int nPort = bMany                      ? 0
                      : options.portList.empty() ? ChoosePort(options, pMap.get())
                                                 : options.portList.front();
    if (nPort < 0) {
        return ReportUsageError("--port '" + options.strPortPath + "': names no COM port", kUsage);
    }
    STerminalStreams streams;
    streams.bInteractive = IsInteractiveOutput();
    if (streams.bInteractive) {
        WatchTerminalWidth();  // the lines rewritten in place follow the width
    }
    streams.bQuiet = options.bQuiet || options.bJson;

    SRunReport report;
    SUpdateFile file;
    const bool bFileOk = PrepareUpdateFile(options, &file, stderr);
    report.strFile = file.strPath;
    if (!bFileOk) {
        std::fprintf(stderr, "%s\n", CTerminalPage::ResultText(UPD_FILE_ERROR).c_str());
        report.bHasResult = true;
        report.nResult = UPD_FILE_ERROR;
        if (bMany && options.bJson) {
            // No device was touched: the array holds the file's outcome alone.
            report.nExitStatus = UPD_FILE_ERROR;
            std::printf("[%s]\n", JsonObject(report).c_str());
            return UPD_FILE_ERROR;
        }
        return Finish(options, report, UPD_FILE_ERROR);
    }
    NoteFileInReport(file, &report);
    if (!streams.bQuiet) {
        std::printf("%s\n", SendingLine(file).c_str());
        std::fflush(stdout);
    }
    if (options.bWatch) {
        return RunStation(options, streams, file, ports, pMap);
    }
    if (bMany) {
        return RunManyDevices(options, streams, file, ports, pMap);
    }
    return Finish(options, report, RunOneDevice(options, streams, file, nPort, pMap, &report));
}
