#include "tools/vanto-flash/port_choice.h"

#include <algorithm>
#include <utility>

#include "tools/vanto-flash/commands.h"

namespace {

// The scan's ports: what --all looks at.
constexpr int kFirstScanPort = 1;
constexpr int kLastScanPort = 10;

// The COMn of one --port value: its number, or its device file's port in
// the map (added when it has none); 0 when it names no port. The options'
// reader let through only numbers from 1 to 100 and device paths.
int PortOfValue(const std::string& strValue, CComPortMap* pMap) {
    int n = 0;
    return ParseNumber(strValue, 1, kMaxComPort, &n) ? n : pMap->Add(strValue);
}

}  // namespace

int ChoosePort(const SFlashOptions& options, CComPortMap* pMap) {
    if (options.strPortPath.empty()) {
        return options.nPort;
    }
    if (const int n = pMap->PortOf(options.strPortPath)) {
        return n;
    }
    // The one port of this run: a map of that file alone, where it is COM1.
    CComPortMap alone;
    if (alone.Add(options.strPortPath) == 0) {
        return -1;
    }
    *pMap = std::move(alone);
    return 1;
}

bool ChoosePorts(const SFlashOptions& options, CComPortMap* pMap, std::vector<int>* pPorts,
                 std::string* pstrError) {
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
        const int n = PortOfValue(strValue, pMap);
        if (n == 0) {
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
