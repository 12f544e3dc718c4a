#include "tools/vanto-flash/station/station.h"

#include <signal.h>

#include <cstdio>
#include <utility>

#include "tools/vanto-flash/exit_status.h"
#include "tools/vanto-flash/interrupt_pipe.h"
#include "tools/vanto-flash/run_report.h"
#include "tools/vanto-flash/text_format.h"

namespace {

// The rescan: at most once a second.
constexpr int kRescanMilliseconds = 1000;

// "The device has been updated successfully (20,480 bytes in 5.8 s, 3.4
// KiB/s; finish total 0x00281138)", or the failure's text.
std::string ResultText(const SRunReport& report, bool bUpdated) {
    const std::string strText = AttemptText(report);
    return bUpdated ? strText + " (" + TransferFigures(report) + ")" : strText;
}

}  // namespace

CStation::CStation(const STerminalStreams& streams, const SUpdateFile& file, bool bFileNamed,
                   std::vector<int> ports, const CComPortMap& map, std::map<int, std::string> named)
    : m_file(file),
      m_bFileNamed(bFileNamed),
      m_portNumbers(std::move(ports)),
      m_board(streams.pOut, streams.bInteractive, streams.bQuiet),
      m_map(map, std::move(named)) {}

CStation::~CStation() {
    for (auto& pPort : m_ports) {
        pPort->RequestStop(SIGTERM);
    }
    m_ports.clear();
}

bool CStation::OpenLog(const std::string& strPath, std::string* pstrError) {
    m_strLog = strPath;
    return m_log.Open(strPath, pstrError);
}

// The ports, made one after another on this thread (each engine opens COM1
// as it starts and closes it again, so no port finds COM1 taken by another's
// start), then started. The number of ports that could not start.
int CStation::StartPorts() {
    m_map.Rescan();
    for (const int nPort : m_portNumbers) {
        m_board.AddRow(nPort, m_map.DevicePath(nPort));
        m_ports.push_back(std::make_unique<CStationPort>(nPort, m_file, m_bFileNamed, *this));
    }
    int nFailed = 0;
    for (size_t i = 0; i < m_ports.size(); ++i) {
        m_ports[i]->SetDeviceFile(m_map.DevicePath(m_portNumbers[i]));
        if (!m_ports[i]->Start()) {
            std::fprintf(stderr, "vanto-flash: COM%d: no thread could be started for it\n",
                         m_portNumbers[i]);
            ++nFailed;
        }
    }
    return nFailed;
}

void CStation::Rescan() {
    m_map.Rescan();
    for (size_t i = 0; i < m_ports.size(); ++i) {
        m_ports[i]->SetDeviceFile(m_map.DevicePath(m_portNumbers[i]));
    }
}

int CStation::Run() {
    CInterruptPipe interrupt;
    m_journal.Open();
    StartPorts();
    int nSignal = 0;
    while ((nSignal = interrupt.WaitAtMost(kRescanMilliseconds)) == 0) {
        Rescan();
        m_board.Tick();
    }
    // Every port at once: each aborts its own transfer, within about a second.
    for (auto& pPort : m_ports) {
        pPort->RequestStop(nSignal);
    }
    for (auto& pPort : m_ports) {
        pPort->Join();
    }
    m_board.Close();
    return Summary();
}

// "12 updated, 1 failed, 2 interrupted; first failure COM3 (/dev/ttyUSB0): Flash Address Error"
int CStation::Summary() {
    std::lock_guard<std::mutex> lock(m_lock);
    std::string strLine =
        std::to_string(m_nUpdated) + " updated, " + std::to_string(m_nFailed) + " failed";
    if (m_nInterrupted != 0) {
        strLine += ", " + std::to_string(m_nInterrupted) + " interrupted";
    }
    if (!m_strFirstFailure.empty()) {
        strLine += "; first failure " + m_strFirstFailure;
    }
    std::FILE* pStream = m_nFirstFailure == 0 ? stdout : stderr;
    std::fprintf(pStream, "%s\n", strLine.c_str());
    std::fflush(pStream);
    return m_nFirstFailure;
}

void CStation::PortState(int nPort, const std::string& strDevice, EPortState eState,
                         const std::string& strDetail) {
    m_board.SetState(nPort, strDevice, eState, strDetail);
}

void CStation::Progress(int nPort, uint32_t nBlocksSent, int nBlockTotal) {
    m_board.SetProgress(nPort, nBlocksSent, nBlockTotal);
}

// The record first, on the disk, then what is shown: a line on the screen
// never tells of an attempt the log does not hold.
void CStation::AttemptEnded(const SAttemptRecord& record) {
    std::lock_guard<std::mutex> lock(m_lock);
    const SRunReport& report = record.report;
    const int nExitStatus = report.nExitStatus;
    const bool bUpdated = nExitStatus == kExitUpdated;
    const std::string strName = CStationBoard::PortName(report.nPort, report.strDevice);
    const std::string strLine = strName + ": " + ResultText(report, bUpdated);
    std::string strError;
    if (m_log.IsOpen() && !m_log.Append(RecordJson(record), &strError)) {
        std::fprintf(stderr, "vanto-flash: %s: the record of %s was not written: %s\n",
                     m_strLog.c_str(), strName.c_str(), strError.c_str());
    }
    m_journal.Send(record, strLine, bUpdated);
    // A transfer the signal ended is a failure in time order (its device
    // was not updated), counted apart.
    const bool bInterrupted = !bUpdated && !report.bHasResult && nExitStatus > kExitSignalBase;
    (bUpdated ? m_nUpdated : bInterrupted ? m_nInterrupted : m_nFailed) += 1;
    if (!bUpdated && m_nFirstFailure == 0) {
        m_nFirstFailure = nExitStatus;
    }
    if (!bUpdated && !bInterrupted && m_strFirstFailure.empty()) {
        m_strFirstFailure = strName + ": " + AttemptText(report);
    }
    m_board.PrintResult(strLine, bUpdated, m_nUpdated, m_nFailed + m_nInterrupted);
}

int RunStation(const SFlashOptions& options, const STerminalStreams& streams,
               const SUpdateFile& file, const std::vector<int>& ports,
               const std::shared_ptr<CComPortMap>& pMap) {
    // A port named by its device file stays that file (a by-id link follows
    // its adapter wherever the kernel puts it).
    std::map<int, std::string> named;
    for (const std::string& strValue : options.portValues) {
        if (strValue.find_first_of("/\\") != std::string::npos) {
            named[pMap->PortOf(strValue)] = strValue;
        }
    }
    CStation station(streams, file, !options.strFile.empty(), ports, *pMap, named);
    std::string strError;
    if (!options.strLog.empty() && !station.OpenLog(options.strLog, &strError)) {
        std::fprintf(stderr, "vanto-flash: --log %s: %s\n", options.strLog.c_str(),
                     strError.c_str());
        return 2;
    }
    return station.Run();
}
