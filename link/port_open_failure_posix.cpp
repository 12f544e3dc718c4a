// Who may open a device file, from its inode and the user database. The
// thread-safe (_r) look-ups: a scan runs on a worker thread, and vanto-flash
// scans for several devices at once.

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "link/port_open_failure.h"

namespace {

// Room for one passwd or group entry; a group with many members needs more.
std::vector<char> EntryBuffer(int nName) {
    const long nSize = sysconf(nName);
    return std::vector<char>(nSize > 0 ? static_cast<size_t>(nSize) : 16384);
}

std::string UserName(uid_t uid) {
    passwd entry{};
    passwd* pFound = nullptr;
    std::vector<char> buffer = EntryBuffer(_SC_GETPW_R_SIZE_MAX);
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &pFound) == 0 && pFound) {
        return entry.pw_name;
    }
    return std::to_string(uid);
}

// Whether the user database puts the user in the group: as a listed member,
// or as the user's own (login) group.
bool UserListedInGroup(uid_t uid, gid_t gid, std::string* pGroupName) {
    passwd user{};
    passwd* pUser = nullptr;
    std::vector<char> userBuffer = EntryBuffer(_SC_GETPW_R_SIZE_MAX);
    const bool bUser =
        getpwuid_r(uid, &user, userBuffer.data(), userBuffer.size(), &pUser) == 0 && pUser;
    group entry{};
    group* pGroup = nullptr;
    std::vector<char> buffer = EntryBuffer(_SC_GETGR_R_SIZE_MAX);
    int nError = 0;
    while ((nError = getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &pGroup)) == ERANGE &&
           buffer.size() < (1u << 24)) {
        buffer.resize(buffer.size() * 2);
    }
    *pGroupName = nError == 0 && pGroup ? entry.gr_name : std::to_string(gid);
    if (!bUser) {
        return false;
    }
    if (user.pw_gid == gid) {
        return true;
    }
    for (char** ppMember = nError == 0 && pGroup ? entry.gr_mem : nullptr; ppMember && *ppMember;
         ++ppMember) {
        if (std::strcmp(*ppMember, user.pw_name) == 0) {
            return true;
        }
    }
    return false;
}

bool ProcessHasGroup(gid_t gid) {
    if (getegid() == gid) {
        return true;
    }
    const int nCount = getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<size_t>(std::max(nCount, 0)));
    const int nGot = getgroups(static_cast<int>(groups.size()), groups.data());
    return nGot > 0 &&
           std::find(groups.begin(), groups.begin() + nGot, gid) != groups.begin() + nGot;
}

}  // namespace

SDeviceAccess ExamineDeviceAccess(const std::string& strPath) {
    SDeviceAccess access;
    struct stat st {};
    if (stat(strPath.c_str(), &st) != 0) {
        return access;
    }
    access.bExamined = true;
    access.nMode = st.st_mode & 07777;
    access.strOwner = UserName(st.st_uid);
    access.bUserIsOwner = st.st_uid == geteuid();
    access.bUserListedInGroup = UserListedInGroup(geteuid(), st.st_gid, &access.strGroup);
    access.bProcessHasGroup = ProcessHasGroup(st.st_gid);
    // What the name stands for: /dev/serial/by-id/... links to a ttyUSBn.
    char szReal[PATH_MAX];
    const std::string strReal = realpath(strPath.c_str(), szReal) ? szReal : strPath;
    const std::string strName = strReal.substr(strReal.rfind('/') + 1);
    access.bPseudoTerminal = strReal.starts_with("/dev/pts/");
    access.bUsbAdapter = strName.starts_with("ttyUSB") || strName.starts_with("ttyACM");
    return access;
}
