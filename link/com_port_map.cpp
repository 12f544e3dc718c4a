// The COM port map, the same on every platform: the list of device files and
// the VANTO_COM_PORTS form of it. How the system's map is found, and when two
// names are the same device, is in the platform sources.
#include <string>
#include <utility>

#include "link/com_port_map.h"

CComPortMap::CComPortMap(std::vector<std::string> devices) : m_devices(std::move(devices)) {
    if (m_devices.size() > static_cast<size_t>(kMaxComPort)) {
        m_devices.resize(static_cast<size_t>(kMaxComPort));
    }
}

CComPortMap CComPortMap::FromList(const std::string& strList) {
    std::vector<std::string> devices;
    size_t nBegin = 0;
    for (;;) {
        const size_t nColon = strList.find(':', nBegin);
        devices.push_back(strList.substr(nBegin, nColon - nBegin));
        if (nColon == std::string::npos) {
            break;
        }
        nBegin = nColon + 1;
    }
    CComPortMap map(std::move(devices));
    map.m_bFromEnvironment = true;
    return map;
}

std::string CComPortMap::DevicePath(int n) const {
    if (n < 1 || static_cast<size_t>(n) > m_devices.size()) {
        return "";
    }
    return m_devices[static_cast<size_t>(n) - 1];
}

int CComPortMap::PortOf(const std::string& strPath) const {
    for (size_t i = 0; i < m_devices.size(); ++i) {
        if (!m_devices[i].empty() && SameDevice(m_devices[i], strPath)) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

int CComPortMap::Add(const std::string& strPath) {
    if (const int n = PortOf(strPath)) {
        return n;
    }
    const int nLast = LastPort();
    if (!CanMap(strPath) || nLast == kMaxComPort) {
        return 0;
    }
    m_devices.resize(static_cast<size_t>(nLast));
    m_devices.push_back(strPath);
    return nLast + 1;
}

int CComPortMap::LastPort() const {
    for (size_t n = m_devices.size(); n > 0; --n) {
        if (!m_devices[n - 1].empty()) {
            return static_cast<int>(n);
        }
    }
    return 0;
}
