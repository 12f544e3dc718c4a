#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/com_port_map.h"
#include "tools/vanto-flash/flash_options.h"
#include "tools/vanto-flash/station/attempt_log.h"
#include "tools/vanto-flash/station/journal.h"
#include "tools/vanto-flash/station/station_board.h"
#include "tools/vanto-flash/station/station_listener.h"
#include "tools/vanto-flash/station/station_port.h"
#include "tools/vanto-flash/station/station_port_map.h"
#include "tools/vanto-flash/stream_output.h"
#include "tools/vanto-flash/update_file.h"

// vanto-flash --watch: a station that updates each device as it is
// connected, on the ports given (--all: COM1..COM10), until Ctrl-C or
// SIGTERM. The update file was checked once, before any port is touched;
// every device gets exactly its blocks. Each port goes its own road
// (CStationPort) on its own thread; this thread rescans the ports once a
// second (CStationPortMap) and tells each port its device file, and gathers
// what the ports tell: the board (CStationBoard), the log file (--log,
// CAttemptLog) and the system journal (CJournal).
//
// Why a rescan rather than the kernel's device events: it finds every kind
// of port the station can be given (device files, by-id links, the paths of
// VANTO_COM_PORTS, pseudo-terminals), needs no daemon (udev may be missing
// in a container) and no library, and costs one look at /dev a second; a
// device takes longer than that to start in its Update Mode.
class CStation : public IStationListener {
public:
    // ports: the COMn watched; map: the run's map (--port files added);
    // named: the COMn given by device file.
    CStation(const STerminalStreams& streams, const SUpdateFile& file, bool bFileNamed,
             std::vector<int> ports, const CComPortMap& map, std::map<int, std::string> named);
    ~CStation() override;
    CStation(const CStation&) = delete;
    CStation& operator=(const CStation&) = delete;

    // --log: appends each attempt's record to strPath from now on. False
    // with *pstrError when the file cannot be opened for appending.
    bool OpenLog(const std::string& strPath, std::string* pstrError);
    // Runs until a signal: starts the ports, rescans once a second; at the
    // signal ends every port (a transfer in progress is aborted on its
    // device, within a second or two), prints the summary. The exit status: 0 when nothing failed,
    // else that of the first attempt that failed (3..9 as for one device,
    // 128 + the signal for a transfer the signal ended).
    int Run();

    // IStationListener, from the ports' threads.
    void PortState(int nPort, const std::string& strDevice, EPortState eState,
                   const std::string& strDetail) override;
    void Progress(int nPort, uint32_t nBlocksSent, int nBlockTotal) override;
    void AttemptEnded(const SAttemptRecord& record) override;

private:
    int StartPorts();
    void Rescan();
    int Summary();

    const SUpdateFile& m_file;
    const bool m_bFileNamed;
    const std::vector<int> m_portNumbers;
    CStationBoard m_board;
    CStationPortMap m_map;
    CAttemptLog m_log;
    std::string m_strLog;
    CJournal m_journal;
    std::vector<std::unique_ptr<CStationPort>> m_ports;
    std::mutex m_lock;  // the counts and the first failure
    int m_nUpdated = 0;
    int m_nFailed = 0;
    int m_nInterrupted = 0;
    int m_nFirstFailure = 0;        // its exit status; 0 while nothing failed
    std::string m_strFirstFailure;  // the first that was not interrupted, in words
};

// The station of options.bWatch over ports; the exit status (2 when the log
// cannot be opened).
int RunStation(const SFlashOptions& options, const STerminalStreams& streams,
               const SUpdateFile& file, const std::vector<int>& ports,
               const std::shared_ptr<CComPortMap>& pMap);
