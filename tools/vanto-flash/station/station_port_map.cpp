#include "tools/vanto-flash/station/station_port_map.h"

#include <algorithm>
#include <set>
#include <utility>

#include "tools/vanto-flash/port_platform.h"

CStationPortMap::CStationPortMap(const CComPortMap& start, std::map<int, std::string> named)
    : m_assigned(kMaxComPort), m_present(kMaxComPort), m_named(std::move(named)) {
    for (int n = 1; n <= kMaxComPort; ++n) {
        m_assigned[static_cast<size_t>(n) - 1] = start.DevicePath(n);
    }
    for (const auto& [n, strPath] : m_named) {
        m_assigned.at(static_cast<size_t>(n) - 1) = strPath;
    }
}

void CStationPortMap::Rescan() {
    const CComPortMap system = CComPortMap::FromSystem();
    std::set<std::string> listed;
    for (int n = 1; n <= kMaxComPort; ++n) {
        listed.insert(system.DevicePath(n));
    }
    for (size_t i = 0; i < m_assigned.size(); ++i) {
        const std::string& strPath = m_assigned[i];
        const bool bNamed = m_named.count(static_cast<int>(i) + 1) != 0;
        m_present[i] =
            !strPath.empty() && (bNamed || listed.count(strPath) != 0) && DeviceFileExists(strPath);
    }
    PlaceNewDevices(system);
}

void CStationPortMap::PlaceNewDevices(const CComPortMap& system) {
    for (int n = 1; n <= kMaxComPort; ++n) {
        const std::string strPath = system.DevicePath(n);
        if (strPath.empty() || !DeviceFileExists(strPath) ||
            std::find(m_assigned.begin(), m_assigned.end(), strPath) != m_assigned.end()) {
            continue;
        }
        for (size_t i = 0; i < m_assigned.size(); ++i) {
            if (!m_present[i] && m_named.count(static_cast<int>(i) + 1) == 0) {
                m_assigned[i] = strPath;
                m_present[i] = true;
                break;
            }
        }
    }
}

std::string CStationPortMap::DevicePath(int n) const {
    if (n < 1 || n > kMaxComPort || !m_present[static_cast<size_t>(n) - 1]) {
        return "";
    }
    return m_assigned[static_cast<size_t>(n) - 1];
}
