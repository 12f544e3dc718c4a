// The COM port map on Windows is the identity: COMn is the port Windows calls
// COMn. The name is given in the device namespace, \\.\COMn, because plain
// "COM10" and above name no device for CreateFile. There is no fallback scan
// and no serial console to keep away from.
#include <string>

#include "link/com_port_map.h"

std::string ComPortDevicePath(int n) {
    if (n < 1 || n > kMaxComPort) {
        return "";
    }
    return "\\\\.\\COM" + std::to_string(n);
}

bool ComPortsFromEnvironment() {
    return false;  // Windows itself names the ports
}

std::vector<std::string> FindSerialDevices(const SerialScanRoots&) {
    return {};
}

bool IsConsoleDevice(dev_t, const std::string&) {
    return false;
}
