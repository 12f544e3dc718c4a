#include <algorithm>

#include "link/com_port_map.h"

#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/port_choice.h"

namespace {

// The scan's ports: what --all looks at.
constexpr int kFirstScanPort = 1;
constexpr int kLastScanPort = 10;

}  // namespace

bool ChoosePorts(const SFlashOptions& options, std::vector<int>* pPorts, std::string* pstrError) {
    if (options.bAll) {
        if (options.PortsGiven() != 0) {
            *pstrError = "--all looks at COM1..COM10 itself: give it without --port and --ports";
            return false;
        }
        for (int n = kFirstScanPort; n <= kLastScanPort; ++n) {
            pPorts->push_back(n);
        }
        return true;
    }
    std::vector<int> ports = options.portList;
    for (const std::string& strValue : options.portValues) {
        int n = 0;
        if (strValue.find('/') == std::string::npos) {
            ParseNumber(strValue, 1, kMaxComPort, &n);  // checked when the options were read
        } else if ((n = PortOfDevicePath(strValue)) == 0) {
            *pstrError = "--port '" + strValue + "': names no COM port";
            return false;
        }
        ports.push_back(n);
    }
    std::sort(ports.begin(), ports.end());
    const auto twice = std::adjacent_find(ports.begin(), ports.end());
    if (twice != ports.end()) {
        *pstrError = "COM" + std::to_string(*twice) + " is named twice: one device, one port";
        return false;
    }
    *pPorts = ports;
    return true;
}
