#pragma once

#include <string>

#include "tools/vanto-flash/flash_options.h"

// The COMn that --port names, for the scan of that port alone; 0 for a scan
// of COM1..COM10. A device file is used as it is: the COMn it already is in
// the port map (by-id and other links to it included), or, when the map has
// it nowhere, the one port of this run, COM1, through the map's
// VANTO_COM_PORTS. On Windows a device path is the COMn it names ("COM3",
// "\\.\COM3", "//./COM3"), and -1 when it names none. Call before any thread
// starts (it may set the variable).
int ChoosePort(const SFlashOptions& options);
