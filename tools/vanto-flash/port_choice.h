#pragma once

#include <string>
#include <vector>

#include "link/com_port_map.h"
#include "tools/vanto-flash/flash_options.h"

// Which COM ports a run uses, in terms of the run's one COM port map (made
// once, with CComPortMap::FromSystem, and given to every port of the run). A
// --port device file is used as it is: it is the COMn it already has in the
// map (a by-id link or any other name of the same device included). On
// Windows a device path must name a COM port ("COM3", "\\.\COM3", "//./COM3").

// The COMn that --port names, for the scan of that port alone; 0 for a scan
// of COM1..COM10; -1 when a device path names no port (Windows). A device
// file the map has nowhere is the one port of the run: *pMap becomes that
// file alone, as COM1.
int ChoosePort(const SFlashOptions& options, CComPortMap* pMap);

// The COM ports of a run on several devices, in port order: COM1..COM10 for
// --all, else every port that --port and --ports name; a device file the map
// has nowhere is added to *pMap after its last port. False with *pstrError
// when a value names no port, a port is named twice, or --all comes with
// ports of its own.
bool ChoosePorts(const SFlashOptions& options, CComPortMap* pMap, std::vector<int>* pPorts,
                 std::string* pstrError);
