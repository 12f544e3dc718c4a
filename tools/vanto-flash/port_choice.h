#pragma once

#include <string>
#include <vector>

#include "tools/vanto-flash/flash_options.h"

// The COMn that --port names, for the scan of that port alone; 0 for a scan
// of COM1..COM10. A device file is used as it is: the COMn it already is in
// the port map (by-id and other links to it included), or, when the map has
// it nowhere, the one port of this run, COM1, through the map's
// VANTO_COM_PORTS. On Windows a device path is the COMn it names ("COM3",
// "\\.\COM3", "//./COM3"), and -1 when it names none. Call before any thread
// starts (it may set the variable).
int ChoosePort(const SFlashOptions& options);

// The COM ports of a run on several devices, in port order: COM1..COM10 for
// --all, else every port that --port and --ports name. A device file counts
// as the COMn it already is in the port map; one the map has nowhere is
// added to it after the ports it has (POSIX; on Windows it must name a COM
// port). False with *pstrError when a value names no port, a port is named
// twice, or --all comes with ports of its own. Call before any thread starts.
bool ChoosePorts(const SFlashOptions& options, std::vector<int>* pPorts, std::string* pstrError);

// The platform's part of ChoosePorts: the COMn of a --port device file; 0
// when it names none.
int PortOfDevicePath(const std::string& strPath);
