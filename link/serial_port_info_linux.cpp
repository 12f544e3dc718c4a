#include "link/serial_port_info.h"

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

namespace {

std::string SystemRoot() {
    const char* pszRoot = std::getenv("VANTO_SYSFS_ROOT");
    return pszRoot != nullptr ? pszRoot : "";
}

std::string RealPath(const std::string& strPath) {
    char szResolved[PATH_MAX];
    return realpath(strPath.c_str(), szResolved) != nullptr ? szResolved : "";
}

// First line of a sysfs attribute, "" when there is none.
std::string ReadAttribute(const std::string& strPath) {
    std::ifstream in(strPath);
    std::string strLine;
    std::getline(in, strLine);
    return strLine;
}

std::string BaseName(const std::string& strPath) {
    const size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

std::string KindFromName(const std::string& strName, const std::string& strTarget) {
    if (strTarget.rfind("/dev/pts/", 0) == 0) {
        return "pseudo-terminal";
    }
    if (strName.rfind("ttyUSB", 0) == 0) {
        return "USB serial";
    }
    if (strName.rfind("ttyACM", 0) == 0) {
        return "USB ACM";
    }
    for (const char* pszUart : {"ttyS", "ttyAMA", "ttymxc", "ttySAC", "ttyO"}) {
        if (strName.rfind(pszUart, 0) == 0) {
            return "on-board UART";
        }
    }
    return "";
}

// The USB device above the tty's device in sysfs: the first directory
// upwards that has an idVendor attribute.
void ReadUsbDevice(const std::string& strSysDir, const std::string& strName,
                   SSerialPortInfo* pInfo) {
    std::string strDir = RealPath(strSysDir + "/class/tty/" + strName + "/device");
    const std::string strDevices = RealPath(strSysDir + "/devices");
    while (!strDir.empty() && !strDevices.empty() && strDir.rfind(strDevices, 0) == 0 &&
           strDir.size() > strDevices.size()) {
        if (access((strDir + "/idVendor").c_str(), R_OK) == 0) {
            pInfo->strVendorId = ReadAttribute(strDir + "/idVendor");
            pInfo->strProductId = ReadAttribute(strDir + "/idProduct");
            pInfo->strManufacturer = ReadAttribute(strDir + "/manufacturer");
            pInfo->strProduct = ReadAttribute(strDir + "/product");
            pInfo->strSerial = ReadAttribute(strDir + "/serial");
            return;
        }
        strDir.resize(strDir.rfind('/'));
    }
}

// The by-id link whose target is the device.
std::string FindById(const std::string& strByIdDir, const std::string& strTarget) {
    std::string strFound;
    DIR* pDir = opendir(strByIdDir.c_str());
    if (pDir == nullptr) {
        return strFound;
    }
    while (dirent* pEntry = readdir(pDir)) {
        const std::string strLink = strByIdDir + "/" + pEntry->d_name;
        if (pEntry->d_name[0] != '.' && RealPath(strLink) == strTarget &&
            (strFound.empty() || strLink < strFound)) {
            strFound = strLink;  // the first name in order, whatever readdir's order
        }
    }
    closedir(pDir);
    return strFound;
}

}  // namespace

SSerialPortInfo DescribeSerialPort(const std::string& strDevicePath) {
    SSerialPortInfo info;
    const std::string strTarget = RealPath(strDevicePath);
    if (strTarget.empty()) {
        return info;
    }
    const std::string strRoot = SystemRoot();
    info.strKernelName = BaseName(strTarget);
    info.strKind = KindFromName(info.strKernelName, strTarget);
    ReadUsbDevice(strRoot + "/sys", info.strKernelName, &info);
    info.strById = FindById(strRoot + "/dev/serial/by-id", strTarget);
    return info;
}
