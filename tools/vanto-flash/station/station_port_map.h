#pragma once

#include <map>
#include <string>
#include <vector>

#include "link/com_port_map.h"

// The device files of a station's ports, looked up again at each rescan, so
// that ports that appear and vanish (USB adapters plugged in and pulled) are
// noticed. A device file keeps the COMn it was first given while the station
// runs, so that a row, and the port in the log, stay with the device file
// even when the system's own numbering moves on (on Linux without
// VANTO_COM_PORTS, COMn is the n-th serial device found: pulling ttyUSB0
// would move every later device down by one):
//   - a port named by its device file (--port /dev/serial/by-id/...) is that
//     file, there or not;
//   - with VANTO_COM_PORTS, and on Windows, COMn is the map's entry n;
//   - otherwise a device file seen for the first time takes the lowest COMn
//     that has no device file now.
// A port is there when its device file is (DeviceFileExists; on Windows
// opening it tells).
class CStationPortMap {
public:
    // start: the run's map, taken as the first look; named: the COMn given
    // by device file, and that file.
    CStationPortMap(const CComPortMap& start, std::map<int, std::string> named);

    // Looks at the system's map as it is now.
    void Rescan();
    // The device file of COMn now; "" when COMn has none.
    std::string DevicePath(int n) const;

private:
    // Gives each device file of the system's map that has no COMn yet one.
    void PlaceNewDevices(const CComPortMap& system);

    std::vector<std::string> m_assigned;  // element n-1: the device file COMn was given
    std::vector<bool> m_present;          // element n-1: that file is there now
    std::map<int, std::string> m_named;
};
