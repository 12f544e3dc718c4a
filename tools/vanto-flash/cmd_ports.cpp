// vanto-flash ports [--all]: each COM port with its device file, what the
// system knows about it, and whether this user can use it now.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "link/com_port_map.h"
#include "link/port_holders.h"
#include "link/port_open_failure.h"
#include "link/serial_port_info.h"
#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/flash_options.h"

namespace {

const char kUsage[] = "usage: vanto-flash ports [--all]\n";
constexpr int kScannedPorts = 10;
constexpr char kIndent[] = "       ";

// Whether the device can be used now, as far as can be told without opening
// it (opening a serial port may reset what is behind it): its permissions and
// the other processes that hold it open.
std::string Usability(const std::string& strPath) {
    struct stat st {};
    if (stat(strPath.c_str(), &st) != 0) {
        return "no such device file";
    }
    if (!S_ISCHR(st.st_mode)) {
        return "not a serial port";
    }
    if (IsConsoleDevice(st.st_rdev)) {
        return "the system console: never used";
    }
    if (access(strPath.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        SPortOpenFailure failure;
        failure.eKind = EPortOpenFailure::PermissionDenied;
        return DescribeOpenFailure(failure);
    }
    const std::vector<SPortHolder> holders = FindPortHolders(strPath);
    if (!holders.empty()) {
        return "busy, in use by " + DescribePortHolders(holders);
    }
    return "ok";
}

// "USB serial 0403:6001, FTDI FT232R USB UART, serial number A10K3XYZ"
std::string Description(const SSerialPortInfo& info) {
    std::string strText = info.strKind.empty() ? "serial device" : info.strKind;
    if (!info.strVendorId.empty()) {
        strText += " " + info.strVendorId + ":" + info.strProductId;
    }
    std::string strNames = info.strManufacturer;
    if (!info.strProduct.empty()) {
        strNames += (strNames.empty() ? "" : " ") + info.strProduct;
    }
    if (!strNames.empty()) {
        strText += ", " + strNames;
    }
    if (!info.strSerial.empty()) {
        strText += ", serial number " + info.strSerial;
    }
    return strText;
}

void PrintPort(int n, const std::string& strPath) {
    const std::string strName = "COM" + std::to_string(n);
    if (strPath.empty()) {
        std::printf("%-6s -: absent\n", strName.c_str());
        return;
    }
    std::printf("%-6s %s: %s\n", strName.c_str(), strPath.c_str(), Usability(strPath).c_str());
    const SSerialPortInfo info = DescribeSerialPort(strPath);
    if (info.strKind.empty() && info.strVendorId.empty()) {
        return;  // nothing known beyond the file itself
    }
    std::printf("%s%s\n", kIndent, Description(info).c_str());
    if (!info.strById.empty()) {
        std::printf("%s%s\n", kIndent, info.strById.c_str());
    }
}

}  // namespace

int RunPortsCommand(const CommandArgs& args) {
    SFlashOptions options;
    std::string strError;
    if (!ParseFlashOptions(args, OPT_ALL, &options, &strError)) {
        return ReportUsageError(strError, kUsage);
    }
    if (ComPortsFromEnvironment()) {
        std::puts("COM ports from VANTO_COM_PORTS (entry n is COMn):");
    } else {
        std::puts("COM ports: serial devices found, in the order ttyUSB, ttyACM, ttyS");
        std::puts("(ports with no UART and the system console left out):");
    }
    int nListed = 0;
    for (int n = 1; n <= kMaxComPort; ++n) {
        const std::string strPath = ComPortDevicePath(n);
        if (!strPath.empty() || (options.bAll && n <= kScannedPorts)) {
            PrintPort(n, strPath);
            ++nListed;
        }
    }
    if (nListed == 0) {
        std::puts("none (vanto-flash ports --all lists COM1..COM10 anyway)");
    }
    return 0;
}
