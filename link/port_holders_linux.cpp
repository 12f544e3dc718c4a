// Who holds a tty open, read from /proc: every process's fd directory that we
// may list, each descriptor followed to the file it is open on.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "link/port_holders.h"

namespace {

bool IsPidName(const char* pszName) {
    if (*pszName == '\0') {
        return false;
    }
    for (const char* p = pszName; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
    }
    return true;
}

bool HoldsDevice(const std::string& strPidDir, dev_t rdev) {
    const std::string strFdDir = strPidDir + "/fd";
    DIR* pDir = opendir(strFdDir.c_str());
    if (pDir == nullptr) {
        return false;  // gone meanwhile, or another user's process
    }
    bool bHolds = false;
    while (const dirent* pEntry = readdir(pDir)) {
        struct stat st {};
        const std::string strFd = strFdDir + "/" + pEntry->d_name;
        if (pEntry->d_name[0] != '.' && stat(strFd.c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
            st.st_rdev == rdev) {
            bHolds = true;
            break;
        }
    }
    closedir(pDir);
    return bHolds;
}

std::string CommandName(const std::string& strPidDir) {
    std::ifstream comm(strPidDir + "/comm");
    std::string strName;
    std::getline(comm, strName);
    return strName.empty() ? std::string("an unnamed process") : strName;
}

}  // namespace

std::vector<SPortHolder> FindPortHolders(const std::string& strDevice) {
    std::vector<SPortHolder> holders;
    struct stat device {};
    if (stat(strDevice.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) {
        return holders;
    }
    DIR* pProc = opendir("/proc");
    if (pProc == nullptr) {
        return holders;
    }
    const int nOwnPid = static_cast<int>(getpid());
    while (const dirent* pEntry = readdir(pProc)) {
        if (!IsPidName(pEntry->d_name)) {
            continue;
        }
        const int nPid = std::atoi(pEntry->d_name);
        const std::string strPidDir = std::string("/proc/") + pEntry->d_name;
        if (nPid != nOwnPid && HoldsDevice(strPidDir, device.st_rdev)) {
            holders.push_back({nPid, CommandName(strPidDir)});
        }
    }
    closedir(pProc);
    return holders;
}
