// vanto-flash ports: which device file each of COM1..COM10 is.

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "link/com_port_map.h"
#include "tools/vanto-flash/commands.h"

namespace {

// What stands in the way of using the path, or "" when nothing seen from
// here does (whether it is free shows only when it is opened).
std::string PathProblem(const std::string& strPath) {
    if (strPath.empty()) {
        return "does not exist";
    }
    struct stat st {};
    if (stat(strPath.c_str(), &st) != 0) {
        return "does not exist (no such file)";
    }
    if (!S_ISCHR(st.st_mode)) {
        return "not a serial device";
    }
    if (IsConsoleDevice(st.st_rdev)) {
        return "the system console: never used";
    }
    return "";
}

}  // namespace

int RunPortsCommand(const CommandArgs& args) {
    if (!args.empty()) {
        std::fputs("usage: vanto-flash ports\n", stderr);
        return 2;
    }
    if (ComPortsFromEnvironment()) {
        std::puts("COM ports from VANTO_COM_PORTS (entry n is COMn):");
    } else {
        std::puts("COM ports: serial devices found, in the order ttyUSB, ttyACM, ttyS");
        std::puts("(ports with no UART and the system console left out):");
    }
    for (int n = 1; n <= 10; ++n) {
        const std::string strPath = ComPortDevicePath(n);
        const std::string strProblem = PathProblem(strPath);
        const std::string strName = "COM" + std::to_string(n);
        std::printf("%-6s %-24s%s%s\n", strName.c_str(), strPath.empty() ? "-" : strPath.c_str(),
                    strProblem.empty() ? "" : "  ", strProblem.c_str());
    }
    return 0;
}
