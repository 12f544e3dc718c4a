#pragma once

#include <string>

#include "link/com_port_map.h"

// What vanto-flash says about the COM ports where the platforms differ: how
// the COMn numbers are found (for --help) and the platform's part of
// "vanto-flash ports". Linux works from the COM port map and sysfs, Windows
// from the ports Windows knows.

// The help's words on the COM port map: they follow "standard error. " on the
// same line and end with a line break.
const char* PortMapHelp();

// The lines above the list of "vanto-flash ports", for the system's map.
void PrintPortListHeading(const CComPortMap& map);

// The device file that "vanto-flash ports" shows for COMn of the system's
// map, "" when the port is absent.
std::string ListedPortPath(const CComPortMap& map, int n);

// Whether the port can be used now, as far as can be told without opening
// it (opening a serial port may reset what is behind it): "ok", or why not.
std::string PortUsability(const std::string& strPath);

// Whether a device file is there now, as far as can be told without opening
// it: on Linux the file (or the device a link leads to) exists; on Windows
// always true, and opening the port tells.
bool DeviceFileExists(const std::string& strPath);
