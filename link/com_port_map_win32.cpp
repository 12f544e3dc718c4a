// The COM port map on Windows is the identity: COMn is the port Windows calls
// COMn. The name is given in the device namespace, \\.\COMn, because plain
// "COM10" and above name no device for CreateFile. There is no fallback scan
// and no serial console to keep away from.
#include <cctype>
#include <string>

#include "link/com_port_map.h"

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
    if (strPath.rfind("COM", 0) != 0 || strPath.size() < 4 || strPath.size() > 3 + 9) {
        return 0;
    }
    int n = 0;
    for (size_t i = 3; i < strPath.size(); ++i) {
        if (strPath[i] < '0' || strPath[i] > '9') {
            return 0;
        }
        n = n * 10 + (strPath[i] - '0');
    }
    return n >= 1 && n <= kMaxComPort ? n : 0;
}

}  // namespace

CComPortMap CComPortMap::FromSystem() {
    std::vector<std::string> devices;
    for (int n = 1; n <= kMaxComPort; ++n) {
        devices.push_back("\\\\.\\COM" + std::to_string(n));
    }
    return CComPortMap(std::move(devices));
}

bool CComPortMap::SameDevice(const std::string& strMapped, const std::string& strGiven) {
    const int n = ComNumberOf(strGiven);
    return n != 0 && n == ComNumberOf(strMapped);
}

bool CComPortMap::CanMap(const std::string& strPath) {
    return ComNumberOf(strPath) != 0;
}

std::vector<std::string> FindSerialDevices(const SerialScanRoots&) {
    return {};
}

bool IsConsoleDevice(dev_t, const std::string&) {
    return false;
}
