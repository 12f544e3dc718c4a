#include "tools/vanto-flash/many_devices.h"

#include <atomic>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "tools/vanto-flash/board_row_output.h"
#include "tools/vanto-flash/device_board.h"
#include "tools/vanto-flash/device_road.h"
#include "tools/vanto-flash/exit_status.h"
#include "tools/vanto-flash/interrupt_pipe.h"
#include "tools/vanto-flash/run_report.h"
#include "tools/vanto-flash/stop_request.h"

namespace {

// One device of the run, and its road's thread.
struct SDevice {
    explicit SDevice(CDeviceBoard& board) : output(board) {}
    void SetRow(int nBoardRow) {
        nRow = nBoardRow;
        output.SetRow(nBoardRow);
    }

    CBoardRowOutput output;
    int nRow = -1;
    CStopRequest stop;  // the road waits on it; before the road, which must not outlive it
    std::unique_ptr<CDeviceRoad> pRoad;
    SRunReport report;
    int nExitStatus = kExitOtherStatus;
    std::atomic<bool> bFound{false};  // the scan found a device on the port
    std::atomic<bool> bDone{false};
    std::thread thread;
};

using Devices = std::vector<std::unique_ptr<SDevice>>;

// The roads, made one after another on this thread. Each engine opens COM1
// as it starts; the port is closed again before the next road is made, so no
// road finds COM1 taken by another's start.
Devices MakeDevices(const SFlashOptions& options, const SUpdateFile& file,
                    const std::vector<int>& ports, const std::shared_ptr<const CComPortMap>& pMap,
                    CDeviceBoard& board) {
    Devices devices;
    for (const int nPort : ports) {
        auto pDevice = std::make_unique<SDevice>(board);
        pDevice->pRoad = std::make_unique<CDeviceRoad>(pDevice->output, pDevice->stop);
        pDevice->pRoad->ReleasePort();
        pDevice->pRoad->UsePortMap(pMap);
        const std::string strDevice = pMap->DevicePath(nPort);
        pDevice->SetRow(board.AddRow(nPort, strDevice, !options.bAll));
        pDevice->pRoad->UseFile(file, !options.strFile.empty());
        SRunReport& report = pDevice->report;
        NoteFileInReport(file, &report);
        report.nPort = nPort;
        report.strDevice = strDevice;
        devices.push_back(std::move(pDevice));
    }
    return devices;
}

// One device's road, on its own thread; wakes the main thread when it has ended.
void RunRoad(SDevice* pDevice, CDeviceBoard* pBoard, IRoadWait* pMainWait) {
    pDevice->nExitStatus =
        pDevice->pRoad->Run(pDevice->report.nPort, &pDevice->report, [=](bool bFound) {
            pBoard->EndScan(pDevice->nRow);
            if (bFound) {
                pDevice->bFound = true;
                pBoard->ShowRow(pDevice->nRow);
            }
        });
    pDevice->bDone = true;
    pMainWait->Wake();
}

void StartRoads(Devices& devices, CDeviceBoard& board, IRoadWait& mainWait) {
    for (auto& pDevice : devices) {
        try {
            pDevice->thread = std::thread(RunRoad, pDevice.get(), &board, &mainWait);
        } catch (const std::system_error&) {
            pDevice->report.strProblem = "no thread could be started for this device";
            pDevice->bFound = true;
            pDevice->bDone = true;
        }
    }
}

// Waits for every road, woken by each road as it ends; a signal meanwhile
// ends them all. The first signal, or 0.
int WaitForRoads(Devices& devices, CInterruptPipe& interrupt) {
    int nSignal = 0;
    for (auto& pDevice : devices) {
        while (!pDevice->bDone) {
            if (const int nCame = interrupt.WaitForStopOrWake()) {
                nSignal = nSignal != 0 ? nSignal : nCame;
                for (auto& pEach : devices) {
                    pEach->stop.Raise(nSignal);
                }
            }
        }
        if (pDevice->thread.joinable()) {
            pDevice->thread.join();
        }
    }
    return nSignal;
}

// A device's outcome as the wizard's result box says it, on one line; or
// only its first line: "Over All Checksum Error".
std::string OutcomeText(const SDevice& device, bool bFirstLineOnly) {
    const SRunReport& report = device.report;
    if (bFirstLineOnly && device.nExitStatus >= kExitSignalBase) {
        return "interrupted";
    }
    if (!report.strProblem.empty()) {
        return report.strProblem;
    }
    if (device.nExitStatus == kExitNoDevice) {
        return "no device answered";
    }
    std::string strText = CTerminalPage::ResultText(report.nResult);
    if (bFirstLineOnly) {
        return strText.substr(0, strText.find('\n'));
    }
    for (char& c : strText) {
        c = c == '\n' ? ' ' : c;
    }
    return strText;
}

void PrintJson(const std::vector<const SDevice*>& counted) {
    std::string strArray = "[";
    for (const SDevice* pDevice : counted) {
        strArray += strArray.size() > 1 ? ", " : "";
        strArray += JsonObject(pDevice->report);
    }
    std::printf("%s]\n", strArray.c_str());
}

// A result line per device, then the summary: "7 of 8 updated; COM5: Flash Address Error".
void PrintResults(const std::vector<const SDevice*>& counted, bool bQuiet) {
    int nUpdated = 0;
    std::string strFailed;
    for (const SDevice* pDevice : counted) {
        const bool bUpdated = pDevice->nExitStatus == kExitUpdated;
        const SRunReport& report = pDevice->report;
        std::string strLine = CDeviceBoard::DeviceName(report.nPort, report.strDevice) + ": " +
                              OutcomeText(*pDevice, false);
        if (bUpdated) {
            ++nUpdated;
            strLine += " (" + TransferFigures(report) + ")";
        } else {
            strFailed += (strFailed.empty() ? "; COM" : ", COM") + std::to_string(report.nPort) +
                         ": " + OutcomeText(*pDevice, true);
        }
        if (!bUpdated || !bQuiet) {
            // Flushed line by line: with both streams in one pipe or file the
            // lines keep port order.
            std::FILE* pStream = bUpdated ? stdout : stderr;
            std::fprintf(pStream, "%s\n", strLine.c_str());
            std::fflush(pStream);
        }
    }
    const bool bAll = nUpdated == static_cast<int>(counted.size());
    std::fprintf(bAll ? stdout : stderr, "%d of %zu updated%s\n", nUpdated, counted.size(),
                 strFailed.c_str());
}

}  // namespace

int RunManyDevices(const SFlashOptions& options, const STerminalStreams& streams,
                   const SUpdateFile& file, const std::vector<int>& ports,
                   const std::shared_ptr<const CComPortMap>& pMap) {
    CInterruptPipe interrupt;
    CDeviceBoard board(streams.pOut, streams.bInteractive, streams.bQuiet);
    Devices devices = MakeDevices(options, file, ports, pMap, board);
    StartRoads(devices, board, interrupt);
    const int nSignal = WaitForRoads(devices, interrupt);
    board.Close();

    // --all counts the ports where a device answered; named ports all count.
    std::vector<const SDevice*> counted;
    int nExitStatus = kExitUpdated;
    for (auto& pDevice : devices) {
        if (options.bAll && !pDevice->bFound) {
            continue;
        }
        pDevice->report.nExitStatus = pDevice->nExitStatus;
        counted.push_back(pDevice.get());
        if (nExitStatus == kExitUpdated) {
            nExitStatus = pDevice->nExitStatus;
        }
    }
    if (nSignal != 0) {
        nExitStatus = kExitSignalBase + nSignal;
    } else if (counted.empty()) {
        nExitStatus = kExitNoDevice;
    }
    if (options.bJson) {
        PrintJson(counted);
    } else if (counted.empty()) {
        std::fputs(nSignal != 0 ? "vanto-flash: interrupted\n"
                                : "vanto-flash: no device answered on COM1..COM10\n",
                   stderr);
    } else {
        PrintResults(counted, streams.bQuiet);
    }
    std::fflush(stdout);
    return nExitStatus;
}
