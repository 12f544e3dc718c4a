#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "link/com_port_map.h"
#include "link/port_holders.h"
#include "link/port_open_failure.h"
#include "tools/vanto-flash/port_platform.h"
#include "wizard/procedures/open_failure_text.h"

const char* PortMapHelp() {
    return "COM ports: set VANTO_COM_PORTS to a colon-separated list of\n"
           "device files (entry n is COMn); otherwise COMn is the n-th serial device found\n"
           "among /dev/ttyUSB*, /dev/ttyACM* and /dev/ttyS* (consoles left out).\n";
}

void PrintPortListHeading(const CComPortMap& map) {
    if (map.FromEnvironment()) {
        std::puts("COM ports from VANTO_COM_PORTS (entry n is COMn):");
    } else {
        std::puts("COM ports: serial devices found, in the order ttyUSB, ttyACM, ttyS");
        std::puts("(ports with no UART and the system console left out):");
    }
}

std::string ListedPortPath(const CComPortMap& map, int n) {
    return map.DevicePath(n);
}

namespace {

// A character device the kernel files under a class other than tty
// (/dev/null is "mem") is no serial port. Pseudo-terminals have no entry
// there, and count as ttys.
bool InAnotherClassThanTty(dev_t device) {
    const std::string strLink = "/sys/dev/char/" + std::to_string(major(device)) + ":" +
                                std::to_string(minor(device)) + "/subsystem";
    char szTarget[256];
    const ssize_t nLength = readlink(strLink.c_str(), szTarget, sizeof szTarget - 1);
    if (nLength <= 0) {
        return false;
    }
    szTarget[nLength] = '\0';
    const char* pszSlash = std::strrchr(szTarget, '/');
    return std::strcmp(pszSlash ? pszSlash + 1 : szTarget, "tty") != 0;
}

}  // namespace

// Its permissions and the other processes that hold it open.
std::string PortUsability(const std::string& strPath) {
    struct stat st {};
    if (stat(strPath.c_str(), &st) != 0) {
        return "no such device file";
    }
    if (!S_ISCHR(st.st_mode) || InAnotherClassThanTty(st.st_rdev)) {
        return "not a serial port";
    }
    if (IsConsoleDevice(st.st_rdev)) {
        return "the system console: never used";
    }
    if (access(strPath.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        SPortOpenFailure failure;
        failure.eKind = EPortOpenFailure::PermissionDenied;
        failure.access = ExamineDeviceAccess(strPath);
        return DescribeOpenFailure(failure);
    }
    const std::vector<SPortHolder> holders = FindPortHolders(strPath);
    if (!holders.empty()) {
        return "busy, in use by " + DescribePortHolders(holders);
    }
    return "ok";
}

bool DeviceFileExists(const std::string& strPath) {
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0;
}
