#include <cctype>
#include <string>

#include "link/com_port_map.h"
#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/port_choice.h"

namespace {

// The n of "COMn", "\\.\COMn" or "//./COMn", in any case; 0 for anything else.
int ComNumberOf(std::string strPath) {
    for (char& c : strPath) {
        c = c == '/' ? '\\' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const std::string strDevicePrefix = "\\\\.\\";
    if (strPath.rfind(strDevicePrefix, 0) == 0) {
        strPath.erase(0, strDevicePrefix.size());
    }
    int n = 0;
    if (strPath.rfind("COM", 0) != 0 || !ParseNumber(strPath.substr(3), 1, kMaxComPort, &n)) {
        return 0;
    }
    return n;
}

}  // namespace

// Windows names every port COMn, and the map is the identity: a device path
// is the COMn it names, and any other path names no port.
int ChoosePort(const SFlashOptions& options) {
    if (options.strPortPath.empty()) {
        return options.nPort;
    }
    const int n = ComNumberOf(options.strPortPath);
    return n != 0 ? n : -1;
}

int PortOfDevicePath(const std::string& strPath) {
    return ComNumberOf(strPath);
}
