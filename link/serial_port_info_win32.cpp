// What Windows knows about a COM port, without opening it: the driver's
// device behind the name (the SERIALCOMM key of the registry's device map)
// and, through SetupAPI, the Ports class device that has the name, with its
// friendly name, maker and USB ids.
#include <windows.h>
// clang-format off
#include <initguid.h>
#include <devguid.h>
// clang-format on
#include <setupapi.h>

#include <cctype>
#include <string>

#include "link/serial_port_info.h"

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
           CSTR_EQUAL;
}

// "\Device\Serial0" for "COM1": the value of SERIALCOMM whose data is the name.
std::string DriverDeviceOf(const std::string& strComName) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &hKey) !=
        ERROR_SUCCESS) {
        return "";
    }
    std::string strFound;
    for (DWORD i = 0; strFound.empty(); ++i) {
        char szName[256];
        char szData[256];
        DWORD dwNameSize = sizeof szName;
        DWORD dwDataSize = sizeof szData - 1;
        DWORD dwType = 0;
        const LONG nResult = RegEnumValueA(hKey, i, szName, &dwNameSize, nullptr, &dwType,
                                           reinterpret_cast<BYTE*>(szData), &dwDataSize);
        if (nResult == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (nResult != ERROR_SUCCESS || dwType != REG_SZ) {
            continue;
        }
        szData[dwDataSize] = '\0';
        if (SameName(szData, strComName)) {
            strFound = szName;
        }
    }
    RegCloseKey(hKey);
    return strFound;
}

std::string DeviceProperty(HDEVINFO hDevices, SP_DEVINFO_DATA& device, DWORD dwProperty) {
    char szValue[512] = {};
    if (!SetupDiGetDeviceRegistryPropertyA(hDevices, &device, dwProperty, nullptr,
                                           reinterpret_cast<BYTE*>(szValue), sizeof szValue - 1,
                                           nullptr)) {
        return "";
    }
    return szValue;  // the first string of a multi-string property
}

std::string PortNameOf(HDEVINFO hDevices, SP_DEVINFO_DATA& device) {
    HKEY hKey = SetupDiOpenDevRegKey(hDevices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (hKey == INVALID_HANDLE_VALUE) {
        return "";
    }
    char szName[64] = {};
    DWORD dwSize = sizeof szName - 1;
    DWORD dwType = 0;
    const bool bRead = RegQueryValueExA(hKey, "PortName", nullptr, &dwType,
                                        reinterpret_cast<BYTE*>(szName), &dwSize) == ERROR_SUCCESS;
    RegCloseKey(hKey);
    return bRead && dwType == REG_SZ ? szName : "";
}

// The four hex digits after strKey ("VID_") in a hardware id, "" if none.
std::string IdAfter(const std::string& strHardwareId, const char* pszKey) {
    const size_t nAt = strHardwareId.find(pszKey);
    if (nAt == std::string::npos || strHardwareId.size() < nAt + 8) {
        return "";
    }
    std::string strId = strHardwareId.substr(nAt + 4, 4);
    for (char& c : strId) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return strId;
}

// "USB\VID_0403&PID_6001\A10K3XYZ": the last part is the adapter's serial
// number, unless Windows made one up (those hold '&').
std::string SerialNumberOf(HDEVINFO hDevices, SP_DEVINFO_DATA& device) {
    char szId[512] = {};
    if (!SetupDiGetDeviceInstanceIdA(hDevices, &device, szId, sizeof szId, nullptr)) {
        return "";
    }
    const std::string strId = szId;
    const size_t nSlash = strId.rfind('\\');
    if (strId.rfind("USB\\", 0) != 0 || nSlash == std::string::npos ||
        strId.find('&', nSlash) != std::string::npos) {
        return "";
    }
    return strId.substr(nSlash + 1);
}

void ReadPortsClassDevice(const std::string& strComName, SSerialPortInfo* pInfo) {
    HDEVINFO hDevices = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (hDevices == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(hDevices, i, &device); ++i) {
        if (!SameName(PortNameOf(hDevices, device), strComName)) {
            continue;
        }
        pInfo->strManufacturer = DeviceProperty(hDevices, device, SPDRP_MFG);
        pInfo->strProduct = DeviceProperty(hDevices, device, SPDRP_FRIENDLYNAME);
        const std::string strHardwareId = DeviceProperty(hDevices, device, SPDRP_HARDWAREID);
        pInfo->strVendorId = IdAfter(strHardwareId, "VID_");
        pInfo->strProductId = IdAfter(strHardwareId, "PID_");
        pInfo->strSerial = SerialNumberOf(hDevices, device);
        break;
    }
    SetupDiDestroyDeviceInfoList(hDevices);
}

std::string KindOf(const SSerialPortInfo& info) {
    if (!info.strVendorId.empty()) {
        return "USB serial";
    }
    return info.strKernelName.rfind("\\Device\\Serial", 0) == 0 ? "on-board UART" : "";
}

}  // namespace

SSerialPortInfo DescribeSerialPort(const std::string& strDevicePath) {
    SSerialPortInfo info;
    const std::string strDevicePrefix = "\\\\.\\";
    const std::string strComName = strDevicePath.rfind(strDevicePrefix, 0) == 0
                                       ? strDevicePath.substr(strDevicePrefix.size())
                                       : strDevicePath;
    info.strKernelName = DriverDeviceOf(strComName);
    if (info.strKernelName.empty()) {
        return info;  // Windows does not know the port
    }
    ReadPortsClassDevice(strComName, &info);
    info.strKind = KindOf(info);
    return info;
}
