#include "tools/vanto-devsim/pty_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string ErrnoText(const std::string& strWhat) {
    return strWhat + ": " + std::strerror(errno);
}

bool MakeRaw(int hFd) {
    termios tio{};
    if (tcgetattr(hFd, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return tcsetattr(hFd, TCSANOW, &tio) == 0;
}

}  // namespace

CPtyLink::~CPtyLink() {
    HangUp();
}

bool CPtyLink::Create(const std::string& strLinkPath, std::string* pstrError) {
    if (!OpenPair(pstrError)) {
        return false;
    }
    WatchOpens();
    return MakeSymlink(strLinkPath, pstrError);
}

// Without a watch (the system's limit of inotify instances reached, say) the
// simulator still works: it looks for an opener at short intervals.
void CPtyLink::WatchOpens() {
    m_hOpenNotice = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_hOpenNotice >= 0 &&
        inotify_add_watch(m_hOpenNotice, m_strSlavePath.c_str(), IN_OPEN) >= 0) {
        return;
    }
    std::fprintf(stderr,
                 "vanto-devsim: %s: no inotify watch (%s); looking for an opener at intervals\n",
                 m_strSlavePath.c_str(), std::strerror(errno));
    if (m_hOpenNotice >= 0) {
        close(m_hOpenNotice);
        m_hOpenNotice = -1;
    }
}

void CPtyLink::ForgetOpens() const {
    char abEvents[1024];
    while (m_hOpenNotice >= 0 && read(m_hOpenNotice, abEvents, sizeof abEvents) > 0) {
    }
}

bool CPtyLink::NoOneHasItOpen() const {
    pollfd fd = {m_hMaster, 0, 0};
    return poll(&fd, 1, 0) == 1 && (fd.revents & POLLHUP) != 0;
}

bool CPtyLink::OpenPair(std::string* pstrError) {
    m_hMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_hMaster < 0) {
        *pstrError = ErrnoText("posix_openpt");
        return false;
    }
    if (grantpt(m_hMaster) != 0 || unlockpt(m_hMaster) != 0) {
        *pstrError = ErrnoText("grantpt/unlockpt");
        return false;
    }
    char szName[128] = {};
    if (ptsname_r(m_hMaster, szName, sizeof szName) != 0) {
        *pstrError = ErrnoText("ptsname_r");
        return false;
    }
    m_strSlavePath = szName;
    // The slave is opened once, to make the line raw before the updater
    // first sees it, and let go again.
    const int hSlave = open(szName, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (hSlave < 0) {
        *pstrError = ErrnoText("open " + m_strSlavePath);
        return false;
    }
    const bool bSlaveRaw = MakeRaw(hSlave);
    close(hSlave);
    // The master is read and written without blocking: a reply the host never
    // reads must not stall the device once the slave's input queue is full.
    if (!bSlaveRaw || !MakeRaw(m_hMaster) ||
        fcntl(m_hMaster, F_SETFL, fcntl(m_hMaster, F_GETFL) | O_NONBLOCK) != 0) {
        *pstrError = ErrnoText("terminal settings");
        return false;
    }
    return true;
}

bool CPtyLink::MakeSymlink(const std::string& strLinkPath, std::string* pstrError) {
    struct stat st {};
    if (lstat(strLinkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            *pstrError = strLinkPath + " exists and is not a symlink";
            return false;
        }
        if (unlink(strLinkPath.c_str()) != 0) {
            *pstrError = ErrnoText("unlink " + strLinkPath);
            return false;
        }
    }
    if (symlink(m_strSlavePath.c_str(), strLinkPath.c_str()) != 0) {
        *pstrError = ErrnoText("symlink " + strLinkPath);
        return false;
    }
    m_strLinkPath = strLinkPath;
    return true;
}

void CPtyLink::RemoveSymlink() {
    if (m_strLinkPath.empty()) {
        return;
    }
    // Only while it still points at this pty: a newer simulator may have
    // taken the path over.
    char szTarget[256] = {};
    const ssize_t nLen = readlink(m_strLinkPath.c_str(), szTarget, sizeof szTarget - 1);
    if (nLen > 0 && m_strSlavePath == std::string(szTarget, static_cast<size_t>(nLen))) {
        unlink(m_strLinkPath.c_str());
    }
    m_strLinkPath.clear();
}

void CPtyLink::HangUp() {
    RemoveSymlink();
    for (int* pFd : {&m_hMaster, &m_hOpenNotice}) {
        if (*pFd >= 0) {
            close(*pFd);
            *pFd = -1;
        }
    }
}
