#include "tools/vanto-flash/station/station_port_wait.h"

void CStationPortWait::SetDeviceFile(const std::string& strDevice) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (strDevice == m_strDevice) {
            return;
        }
        m_strDevice = strDevice;
    }
    m_changed.notify_all();
}

void CStationPortWait::RequestStop(int nSignal) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_nStopSignal == 0) {
            m_nStopSignal = nSignal;
        }
    }
    m_changed.notify_all();
}

std::string CStationPortWait::WaitForDeviceFile() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_nStopSignal != 0 || !m_strDevice.empty(); });
    return m_nStopSignal != 0 ? "" : m_strDevice;
}

bool CStationPortWait::Pause(std::chrono::milliseconds duration, const std::string& strDevice) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, duration,
                       [&] { return m_nStopSignal != 0 || m_strDevice != strDevice; });
    return m_nStopSignal == 0;
}

std::string CStationPortWait::DeviceFile() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_strDevice;
}

int CStationPortWait::StopSignal() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_nStopSignal;
}

int CStationPortWait::WaitForStopOrWake() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_nStopSignal != 0 || m_bWoken; });
    m_bWoken = false;
    return m_nStopSignal;
}

void CStationPortWait::Wake() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bWoken = true;
    }
    m_changed.notify_all();
}
