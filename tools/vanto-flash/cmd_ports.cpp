// vanto-flash ports [--all]: each COM port with its device file, what the
// system knows about it, and whether this user can use it now.

#include <cstdio>
#include <string>

#include "link/com_port_map.h"
#include "link/serial_port_info.h"
#include "tools/vanto-flash/commands.h"
#include "tools/vanto-flash/flash_options.h"
#include "tools/vanto-flash/json_object.h"
#include "tools/vanto-flash/port_platform.h"

namespace {

const char kUsage[] = "usage: vanto-flash ports [--all] [--json]\n";
constexpr int kScannedPorts = 10;
constexpr char kIndent[] = "       ";

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
    std::printf("%-6s %s: %s\n", strName.c_str(), strPath.c_str(), PortUsability(strPath).c_str());
    const SSerialPortInfo info = DescribeSerialPort(strPath);
    if (info.strKind.empty() && info.strVendorId.empty()) {
        return;  // nothing known beyond the file itself
    }
    std::printf("%s%s\n", kIndent, Description(info).c_str());
    if (!info.strById.empty()) {
        std::printf("%s%s\n", kIndent, info.strById.c_str());
    }
}

// The port as one JSON object, with the names a station's log gives them;
// null for what is not known.
std::string PortJson(int n, const std::string& strPath) {
    const SSerialPortInfo info = strPath.empty() ? SSerialPortInfo() : DescribeSerialPort(strPath);
    CJsonObject json;
    json.AddString("port", "COM" + std::to_string(n));
    json.AddStringOrNull("device_file", strPath);
    json.AddString("usable", strPath.empty() ? "absent" : PortUsability(strPath));
    json.AddStringOrNull("kind", info.strKind);
    json.AddStringOrNull("usb_vendor_id", info.strVendorId);
    json.AddStringOrNull("usb_product_id", info.strProductId);
    json.AddStringOrNull("manufacturer", info.strManufacturer);
    json.AddStringOrNull("product", info.strProduct);
    json.AddStringOrNull("usb_serial", info.strSerial);
    json.AddStringOrNull("by_id", info.strById);
    return json.Text();
}

}  // namespace

int RunPortsCommand(const CommandArgs& args) {
    SFlashOptions options;
    if (const int nExit = BeginCommand(args, OPT_ALL | OPT_JSON, kUsage, &options); nExit >= 0) {
        return nExit;
    }
    const CComPortMap map = CComPortMap::FromSystem();
    if (!options.bJson) {
        PrintPortListHeading(map);
    }
    int nListed = 0;
    std::string strArray;
    for (int n = 1; n <= kMaxComPort; ++n) {
        const std::string strPath = ListedPortPath(map, n);
        if (strPath.empty() && !(options.bAll && n <= kScannedPorts)) {
            continue;
        }
        if (options.bJson) {
            strArray += (strArray.empty() ? "" : ", ") + PortJson(n, strPath);
        } else {
            PrintPort(n, strPath);
        }
        ++nListed;
    }
    if (options.bJson) {
        std::printf("[%s]\n", strArray.c_str());
        return 0;
    }
    if (nListed == 0) {
        std::puts("none (vanto-flash ports --all lists COM1..COM10 anyway)");
    }
    return 0;
}
