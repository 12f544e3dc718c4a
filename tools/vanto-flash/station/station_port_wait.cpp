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

std::string CStationPortWait::WaitForDeviceFile() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_nSignal != 0 || !m_strDevice.empty(); });
    return m_nSignal != 0 ? "" : m_strDevice;
}

bool CStationPortWait::Pause(std::chrono::milliseconds duration, const std::string& strDevice) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, duration, [&] { return m_nSignal != 0 || m_strDevice != strDevice; });
    return m_nSignal == 0;
}

std::string CStationPortWait::DeviceFile() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_strDevice;
}

int CStationPortWait::StopSignal() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_nSignal;
}
