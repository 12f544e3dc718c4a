#include "tools/vanto-flash/port_choice.h"

#include <sys/stat.h>

#include <cstdlib>

#include "link/com_port_map.h"

namespace {

bool SameFile(const struct stat& a, const std::string& strPath) {
    struct stat b {};
    return stat(strPath.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

int ChoosePort(const SFlashOptions& options) {
    if (options.strPortPath.empty()) {
        return options.nPort;
    }
    struct stat given {};
    if (stat(options.strPortPath.c_str(), &given) == 0) {
        for (int n = 1; n <= kMaxComPort; ++n) {
            const std::string strPath = ComPortDevicePath(n);
            if (strPath == options.strPortPath || (!strPath.empty() && SameFile(given, strPath))) {
                return n;
            }
        }
    }
    setenv("VANTO_COM_PORTS", options.strPortPath.c_str(), 1);
    return 1;
}
