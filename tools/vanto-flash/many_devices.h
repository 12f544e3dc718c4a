#pragma once

#include <memory>
#include <vector>

#include "link/com_port_map.h"
#include "tools/vanto-flash/flash_options.h"
#include "tools/vanto-flash/stream_output.h"
#include "tools/vanto-flash/update_file.h"

// Several devices updated at once, one on each of the ports (in port order):
// a road per device on a thread of its own, each with its own application,
// engine and procedures, so that a slow, failing or vanished device never
// holds up the others. The file was checked once; every engine must count
// exactly those blocks. For --all the ports are COM1..COM10 and only the
// ones where a device answers count as devices. Prints the board while the
// roads run, then a result line per device and the summary, or, for --json,
// one array. Ctrl-C and the other signals end every road the wizard's way
// (the device told to discard an unfinished transfer). Returns the exit
// status: 0 when every device was updated, else that of the first device in
// port order that was not, 128 + the signal when one ended the run. Every
// road opens its ports through pMap, the run's map.
int RunManyDevices(const SFlashOptions& options, const STerminalStreams& streams,
                   const SUpdateFile& file, const std::vector<int>& ports,
                   const std::shared_ptr<const CComPortMap>& pMap);
