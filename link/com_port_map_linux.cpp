#include "link/com_port_map.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

namespace {

// The console ttys as the kernel lists them: "ttyS0  -W- (EC p a)  4:64".
struct ConsoleEntry {
    std::string strName;
    dev_t rdev;
};

std::vector<ConsoleEntry> ReadConsoles(const std::string& strPath) {
    std::vector<ConsoleEntry> entries;
    std::ifstream in(strPath);
    std::string strLine;
    while (std::getline(in, strLine)) {
        std::istringstream fields(strLine);
        std::string strName;
        std::string strField;
        std::string strLast;
        fields >> strName;
        while (fields >> strField) {
            strLast = strField;
        }
        unsigned nMajor = 0;
        unsigned nMinor = 0;
        char chColon = 0;
        std::istringstream numbers(strLast);
        ConsoleEntry entry{strName, 0};
        if (numbers >> nMajor >> chColon >> nMinor && chColon == ':') {
            entry.rdev = makedev(nMajor, nMinor);
        }
        if (!strName.empty()) {
            entries.push_back(entry);
        }
    }
    return entries;
}

// Numbers n of the entries "<prefix>n" in a directory, sorted.
std::vector<int> FamilyNumbers(const std::string& strDir, const std::string& strPrefix) {
    std::vector<int> numbers;
    DIR* pDir = opendir(strDir.c_str());
    if (pDir == nullptr) {
        return numbers;
    }
    while (dirent* pEntry = readdir(pDir)) {
        const std::string strName = pEntry->d_name;
        if (strName.size() <= strPrefix.size() || strName.size() > strPrefix.size() + 6 ||
            strName.compare(0, strPrefix.size(), strPrefix) != 0) {
            continue;
        }
        const std::string strDigits = strName.substr(strPrefix.size());
        if (!std::all_of(strDigits.begin(), strDigits.end(),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        numbers.push_back(std::atoi(strDigits.c_str()));
    }
    closedir(pDir);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

// A ttyS port has a UART behind it when the kernel reports a port type other
// than 0 (PORT_UNKNOWN) for it. Without that attribute, fall back to whether
// the tty has a device behind it at all.
bool HasUart(const std::string& strSysTtyDir, const std::string& strName) {
    std::ifstream type(strSysTtyDir + "/" + strName + "/type");
    int nType = 0;
    if (type >> nType) {
        return nType != 0;
    }
    struct stat st {};
    return stat((strSysTtyDir + "/" + strName + "/device").c_str(), &st) == 0;
}

bool IsListedConsole(const std::vector<ConsoleEntry>& consoles, const std::string& strName,
                     const std::string& strPath) {
    struct stat st {};
    const bool bIsCharDevice = stat(strPath.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
    for (const ConsoleEntry& console : consoles) {
        if (console.strName == strName) {
            return true;
        }
        if (bIsCharDevice && console.rdev != 0 && console.rdev == st.st_rdev) {
            return true;
        }
    }
    return false;
}

}  // namespace

CComPortMap CComPortMap::FromSystem() {
    if (const char* pszList = std::getenv("VANTO_COM_PORTS")) {
        return FromList(pszList);
    }
    return CComPortMap(FindSerialDevices());
}

// The same name, or the same file under another name (a by-id link to it).
bool CComPortMap::SameDevice(const std::string& strMapped, const std::string& strGiven) {
    if (strMapped == strGiven) {
        return true;
    }
    struct stat mapped {};
    struct stat given {};
    return stat(strGiven.c_str(), &given) == 0 && stat(strMapped.c_str(), &mapped) == 0 &&
           mapped.st_dev == given.st_dev && mapped.st_ino == given.st_ino;
}

bool CComPortMap::CanMap(const std::string& strPath) {
    return !strPath.empty();
}

std::vector<std::string> FindSerialDevices(const SerialScanRoots& roots) {
    const std::vector<ConsoleEntry> consoles = ReadConsoles(roots.strConsoles);
    std::vector<std::string> devices;
    for (const char* pszFamily : {"ttyUSB", "ttyACM", "ttyS"}) {
        const std::string strFamily = pszFamily;
        for (int nNumber : FamilyNumbers(roots.strDevDir, strFamily)) {
            const std::string strName = strFamily + std::to_string(nNumber);
            const std::string strPath = roots.strDevDir + "/" + strName;
            if (strFamily == "ttyS" && !HasUart(roots.strSysTtyDir, strName)) {
                continue;  // phantom port: no hardware behind it
            }
            if (IsListedConsole(consoles, strName, strPath)) {
                continue;  // the system console is never ours
            }
            devices.push_back(strPath);
        }
    }
    return devices;
}

bool IsConsoleDevice(dev_t rdev, const std::string& strConsoles) {
    if (rdev == makedev(5, 1) || rdev == makedev(5, 0) || rdev == makedev(4, 0)) {
        return true;
    }
    for (const ConsoleEntry& console : ReadConsoles(strConsoles)) {
        if (console.rdev != 0 && console.rdev == rdev) {
            return true;
        }
    }
    return false;
}
