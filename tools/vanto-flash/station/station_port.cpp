#include "tools/vanto-flash/station/station_port.h"

#include <signal.h>

#include <cstdio>
#include <system_error>
#include <utility>
#include <vector>

#include "link/serial_port_info.h"
#include "tools/vanto-flash/exit_status.h"
#include "tools/vanto-flash/text_format.h"

namespace {

// After a scan where no device answered (or the port did not open), before
// the next: a scan's identify calls already take a few seconds.
constexpr std::chrono::milliseconds kProbePause{500};
// Between the scans that watch whether a device already taken is still there.
constexpr std::chrono::milliseconds kWatchPause{1000};

}  // namespace

CStationPort::CStationPort(int nPort, const SUpdateFile& file, bool bFileNamed,
                           IStationListener& listener)
    : m_nPort(nPort),
      m_file(file),
      m_listener(listener),
      m_output(nPort, listener),
      m_road(m_output, m_wait) {
    m_road.ReleasePort();  // the start-up's COM1: free again for whichever port it is
    m_road.UseFile(file, bFileNamed);
}

CStationPort::~CStationPort() {
    RequestStop(SIGTERM);
    Join();
}

bool CStationPort::Start() {
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CStationPort::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CStationPort::Run() {
    std::string strCause;
    for (;;) {
        std::string strDevice = m_wait.DeviceFile();
        if (strDevice.empty()) {
            m_listener.PortState(m_nPort, "", EPortState::Waiting, "");
            if ((strDevice = m_wait.WaitForDeviceFile()).empty()) {
                return;  // the station is ending
            }
        }
        if (strCause.empty()) {
            m_listener.PortState(m_nPort, strDevice, EPortState::Probing, "");
        }
        const EScan eScan = Scan(strDevice, &strCause);
        if (eScan == EScan::Stopped) {
            return;
        }
        if (eScan == EScan::Found) {
            strCause.clear();
            Update(strDevice);
            if (!WaitUntilGone(strDevice)) {
                return;
            }
            continue;
        }
        if (eScan == EScan::NotOpened) {
            // Shown once while the cause stays; the port is tried on.
            m_listener.PortState(m_nPort, strDevice, EPortState::Waiting, strCause);
        } else if (!strCause.empty()) {
            strCause.clear();
            m_listener.PortState(m_nPort, strDevice, EPortState::Probing, "");
        }
        if (!m_wait.Pause(kProbePause, strDevice)) {
            return;
        }
    }
}

CStationPort::EScan CStationPort::Scan(const std::string& strDevice, std::string* pstrCause) {
    // COMn is this device file, whatever the system's map says meanwhile.
    std::vector<std::string> devices(static_cast<size_t>(m_nPort));
    devices.back() = strDevice;
    m_road.UsePortMap(std::make_shared<const CComPortMap>(std::move(devices)));
    SScanOutcome outcome;
    if (m_road.Scan(m_nPort, &outcome) != 0) {
        return EScan::Stopped;
    }
    std::string strCause;
    const bool bNotOpened = m_output.TakeNotOpened(&strCause);
    if (outcome.bFound) {
        return EScan::Found;
    }
    if (bNotOpened) {
        *pstrCause = strCause.empty() ? "the port does not open" : strCause;
        return EScan::NotOpened;
    }
    return EScan::NoDevice;
}

void CStationPort::Update(const std::string& strDevice) {
    SAttemptRecord record;
    SRunReport& report = record.report;
    NoteFileInReport(m_file, &report);
    report.nPort = m_nPort;
    report.strDevice = strDevice;
    const SSerialPortInfo info = DescribeSerialPort(strDevice);
    record.strById = info.strById;
    record.strSerial = info.strSerial;
    m_output.SetDevice(strDevice);
    report.nExitStatus = m_road.Program(&report);
    record.tEnded = std::chrono::system_clock::now();
    m_listener.AttemptEnded(record);
    const bool bUpdated = report.nExitStatus == kExitUpdated;
    char szSeconds[32];
    std::snprintf(szSeconds, sizeof szSeconds, " bytes in %.1f s", report.dSeconds);
    m_listener.PortState(
        m_nPort, strDevice, bUpdated ? EPortState::Done : EPortState::Failed,
        bUpdated ? WithThousands(report.Bytes()) + szSeconds : AttemptText(report));
}

bool CStationPort::WaitUntilGone(const std::string& strDevice) {
    for (;;) {
        if (!m_wait.Pause(kWatchPause, strDevice)) {
            return false;
        }
        if (m_wait.DeviceFile() != strDevice) {
            break;  // the port vanished (an adapter pulled), or is another device file now
        }
        std::string strCause;
        const EScan eScan = Scan(strDevice, &strCause);
        if (eScan == EScan::Stopped) {
            return false;
        }
        if (eScan != EScan::Found) {
            break;  // no answer to six identify calls, or the port no longer opens
        }
    }
    m_road.ReleasePort();
    m_listener.PortState(m_nPort, strDevice, EPortState::Gone, "");
    return true;
}
