#include "tools/vanto-flash/port_choice.h"

#include <sys/stat.h>

#include <cstdlib>

#include "link/com_port_map.h"

namespace {

bool SameFile(const struct stat& a, const std::string& strPath) {
    struct stat b {};
    return stat(strPath.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The COMn the map already gives this file (a link to it included); 0 for none.
int MappedPortOf(const std::string& strGiven) {
    struct stat given {};
    const bool bExists = stat(strGiven.c_str(), &given) == 0;
    for (int n = 1; n <= kMaxComPort; ++n) {
        const std::string strPath = ComPortDevicePath(n);
        if (strPath == strGiven || (bExists && !strPath.empty() && SameFile(given, strPath))) {
            return n;
        }
    }
    return 0;
}

}  // namespace

int ChoosePort(const SFlashOptions& options) {
    if (options.strPortPath.empty()) {
        return options.nPort;
    }
    if (const int n = MappedPortOf(options.strPortPath)) {
        return n;
    }
    setenv("VANTO_COM_PORTS", options.strPortPath.c_str(), 1);
    return 1;
}

// A file the map has nowhere gets the number after the map's last port. The
// map is set down as it is now, so that the numbers stay those of this run.
int PortOfDevicePath(const std::string& strPath) {
    if (const int n = MappedPortOf(strPath)) {
        return n;
    }
    std::string strList;
    int nLast = 0;
    for (int n = 1; n <= kMaxComPort; ++n) {
        if (!ComPortDevicePath(n).empty()) {
            nLast = n;
        }
    }
    if (nLast == kMaxComPort) {
        return 0;
    }
    for (int n = 1; n <= nLast; ++n) {
        strList += ComPortDevicePath(n) + ":";
    }
    strList += strPath;
    setenv("VANTO_COM_PORTS", strList.c_str(), 1);
    return nLast + 1;
}
