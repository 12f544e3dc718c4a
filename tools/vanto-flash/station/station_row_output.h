#pragma once

#include <mutex>
#include <string>

#include "tools/vanto-flash/station/station_listener.h"
#include "tools/vanto-flash/terminal_output.h"

// A station port's road's texts, as the station wants them: the run's
// progress goes on to the listener as the port's Updating state and its
// blocks; a scan where the port did not open leaves why, for the row of a
// waiting port. The scan's lines and the statuses are not shown: the port's
// states stand for them. Called from the road's procedures' workers.
class CStationRowOutput : public ITerminalOutput {
public:
    CStationRowOutput(int nPort, IStationListener& listener)
        : m_nPort(nPort), m_listener(listener) {}

    // The device file of the run to come; before it starts.
    void SetDevice(const std::string& strDevice) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_strDevice = strDevice;
    }
    // Whether the last scan found the port unusable, and why ("" when the
    // system did not say); clears both for the next scan.
    bool TakeNotOpened(std::string* pstrCause) {
        std::lock_guard<std::mutex> lock(m_lock);
        const bool bNotOpened = m_bNotOpened;
        *pstrCause = m_strCause;
        m_bNotOpened = false;
        m_strCause.clear();
        return bNotOpened;
    }

    void PortNotOpened(const std::string& strCause) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bNotOpened = true;
        m_strCause = strCause;
    }
    void ScanLine(const std::string&) override {}
    void Status(const std::string&, bool) override {}
    void ProgressStart(int nTotal) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_nTotal = nTotal;
        m_listener.PortState(m_nPort, m_strDevice, EPortState::Updating, "");
        m_listener.Progress(m_nPort, 0, nTotal);
    }
    void ProgressUpdate(int nDone) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_listener.Progress(m_nPort, static_cast<uint32_t>(nDone), m_nTotal);
    }
    void ProgressStop() override {}
    void Bell() override {}

private:
    const int m_nPort;
    IStationListener& m_listener;
    std::mutex m_lock;
    std::string m_strDevice;
    int m_nTotal = 0;
    bool m_bNotOpened = false;
    std::string m_strCause;
};
