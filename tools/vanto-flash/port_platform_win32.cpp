#include <cstdio>

#include "link/com_port_map.h"
#include "link/serial_port_info.h"
#include "tools/vanto-flash/port_platform.h"

const char* PortMapHelp() {
    return "COM ports: COMn is the port Windows calls COMn; vanto-flash\n"
           "ports lists those Windows knows. Ctrl-C, Ctrl-Break and closing the console\n"
           "end a run as signals 2, 3 and 1 would (exit status 130, 131, 129).\n";
}

void PrintPortListHeading(const CComPortMap&) {
    std::puts("COM ports Windows knows (HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM):");
}

std::string ListedPortPath(const CComPortMap& map, int n) {
    const std::string strPath = map.DevicePath(n);
    return DescribeSerialPort(strPath).strKernelName.empty() ? "" : strPath;
}

// Opening the port would tell whether another program has it, but it also
// raises DTR, which resets some devices: what Windows calls the port instead.
std::string PortUsability(const std::string& strPath) {
    const SSerialPortInfo info = DescribeSerialPort(strPath);
    if (info.strKernelName.empty()) {
        return "not known to Windows";
    }
    return "driver device " + info.strKernelName;
}

bool DeviceFileExists(const std::string&) {
    return true;  // Windows tells whether COMn is there when it is opened
}
