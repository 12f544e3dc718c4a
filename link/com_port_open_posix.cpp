// Opening the device link's tty on POSIX systems: exclusive, raw 38400 8N1,
// DTR and RTS off, and the cause of a refusal told apart for the user.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "link/com_port_line_posix.h"
#include "link/com_port_map.h"
#include "link/port_holders.h"

namespace {

// The line settings of the device link: raw transparent 8-bit line, 38400
// baud, 8N1, receiver on, modem status ignored, no flow control of any kind,
// reads that never wait in the kernel (we wait in poll instead).
termios LinkSettings(const termios& original) {
    termios t = original;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    return t;
}

// A driver may quietly ignore what it cannot do, so the settings are read back
// and every one that the link depends on is checked.
bool SettingsTook(const termios& t) {
    const speed_t nIn = cfgetispeed(&t);
    const bool bSpeed = cfgetospeed(&t) == B38400 && (nIn == B38400 || nIn == B0);
    const bool bFrame = (t.c_cflag & CSIZE) == CS8 && (t.c_cflag & (PARENB | CSTOPB)) == 0;
    const bool bControl =
        (t.c_cflag & (CLOCAL | CREAD)) == (CLOCAL | CREAD) && (t.c_cflag & CRTSCTS) == 0;
    const bool bInput = (t.c_iflag & (IXON | IXOFF | IXANY | IGNBRK | BRKINT | PARMRK | ISTRIP |
                                      INLCR | IGNCR | ICRNL | INPCK)) == 0;
    const bool bOutput = (t.c_oflag & OPOST) == 0;
    const bool bLocal = (t.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN)) == 0;
    const bool bTiming = t.c_cc[VMIN] == 0 && t.c_cc[VTIME] == 0;
    return bSpeed && bFrame && bControl && bInput && bOutput && bLocal && bTiming;
}

// DTR and RTS held off. A pseudo-terminal has no modem lines and rejects the
// request (ENOTTY, some drivers EINVAL): that is not a failure of the open.
bool ModemLinesOff(int fd) {
    int nLines = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(fd, TIOCMBIC, &nLines) == 0) {
        return true;
    }
    return errno == ENOTTY || errno == EINVAL;
}

SPortOpenFailure Failure(EPortOpenFailure eKind, const std::string& strPath, int nErrno = 0) {
    return {eKind, strPath, nErrno, "", {}};
}

// The cause of a failed open() of the device file.
SPortOpenFailure OpenErrorFailure(int nErrno, const std::string& strPath) {
    switch (nErrno) {
        case EACCES:
        case EPERM: {
            SPortOpenFailure failure = Failure(EPortOpenFailure::PermissionDenied, strPath, nErrno);
            failure.access = ExamineDeviceAccess(strPath);
            return failure;
        }
        case EBUSY:  // TIOCEXCL of another opener
            return {EPortOpenFailure::InUse,
                    strPath,
                    nErrno,
                    DescribePortHolders(FindPortHolders(strPath)),
                    {}};
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return Failure(EPortOpenFailure::NoSuchPort, strPath, nErrno);
        default:
            return Failure(EPortOpenFailure::Other, strPath, nErrno);
    }
}

// Never the system console, whatever the port map says; checked before the
// open so that not even the console's modem lines are touched.
bool CheckDeviceFile(const std::string& strPath, struct stat* pSt, SPortOpenFailure* pFailure) {
    if (strPath.empty()) {
        *pFailure = Failure(EPortOpenFailure::NoSuchPort, strPath);
        return false;
    }
    if (stat(strPath.c_str(), pSt) != 0) {
        *pFailure = errno == ENOENT || errno == ENOTDIR
                        ? Failure(EPortOpenFailure::NoSuchPort, strPath, errno)
                        : OpenErrorFailure(errno, strPath);
        return false;
    }
    if (!S_ISCHR(pSt->st_mode)) {
        *pFailure = Failure(EPortOpenFailure::NotASerialPort, strPath);
        return false;
    }
    if (IsConsoleDevice(pSt->st_rdev)) {
        *pFailure = Failure(EPortOpenFailure::SystemConsole, strPath);
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<CComPort::Line> CComPort::Line::Open(const std::string& strPath,
                                                     SPortOpenFailure* pFailure) {
    struct stat st {};
    if (!CheckDeviceFile(strPath, &st, pFailure)) {
        return nullptr;
    }
    auto pLine = std::make_unique<Line>();
    // O_NONBLOCK: do not wait for a carrier, and let poll() do all waiting.
    pLine->fd = ::open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pLine->fd < 0) {
        *pFailure = OpenErrorFailure(errno, strPath);
        return nullptr;
    }
    const auto fail = [&](bool bRestore, SPortOpenFailure failure) -> std::unique_ptr<Line> {
        if (bRestore) {
            tcsetattr(pLine->fd, TCSANOW, &pLine->original);
        }
        ioctl(pLine->fd, TIOCNXCL);
        ::close(pLine->fd);
        pLine->CloseWakePipe();
        *pFailure = std::move(failure);
        return nullptr;
    };
    // Share mode 0: flock keeps out every other opener that uses it, root
    // included; TIOCEXCL keeps out every other non-root open() of the tty.
    // Neither keeps out a program that opened the device before us, so the
    // processes holding it are looked for too.
    struct stat opened {};
    if (fstat(pLine->fd, &opened) != 0 || opened.st_rdev != st.st_rdev) {
        ::close(pLine->fd);
        *pFailure = Failure(EPortOpenFailure::NoSuchPort, strPath);  // replaced under us
        return nullptr;
    }
    if (flock(pLine->fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(pLine->fd);
        *pFailure = {EPortOpenFailure::InUse,
                     strPath,
                     EWOULDBLOCK,
                     DescribePortHolders(FindPortHolders(strPath)),
                     {}};
        return nullptr;
    }
    if (tcgetattr(pLine->fd, &pLine->original) != 0) {
        return fail(false, Failure(EPortOpenFailure::NotASerialPort, strPath, errno));
    }
    const std::string strHolders = DescribePortHolders(FindPortHolders(strPath));
    if (!strHolders.empty()) {
        return fail(false, {EPortOpenFailure::InUse, strPath, 0, strHolders, {}});
    }
    if (ioctl(pLine->fd, TIOCEXCL) != 0) {
        return fail(false, Failure(EPortOpenFailure::Other, strPath, errno));
    }
    const termios wanted = LinkSettings(pLine->original);
    termios taken{};
    if (tcsetattr(pLine->fd, TCSANOW, &wanted) != 0 || tcgetattr(pLine->fd, &taken) != 0 ||
        !ModemLinesOff(pLine->fd) || !pLine->OpenWakePipe()) {
        return fail(true, Failure(EPortOpenFailure::Other, strPath, errno));
    }
    if (!SettingsTook(taken)) {
        return fail(true, Failure(EPortOpenFailure::Other, strPath));
    }
    return pLine;
}

bool CComPort::Line::OpenWakePipe() {
    int fds[2];
    if (::pipe(fds) != 0) {
        return false;
    }
    wakeFd = fds[0];
    wakeWriteFd = fds[1];
    for (int fdEnd : fds) {
        if (fcntl(fdEnd, F_SETFD, FD_CLOEXEC) != 0 ||
            fcntl(fdEnd, F_SETFL, fcntl(fdEnd, F_GETFL) | O_NONBLOCK) != 0) {
            CloseWakePipe();
            return false;
        }
    }
    return true;
}

void CComPort::Line::CloseWakePipe() {
    for (int* pFd : {&wakeFd, &wakeWriteFd}) {
        if (*pFd >= 0) {
            ::close(*pFd);
        }
        *pFd = -1;
    }
}

void CComPort::Line::Restore() {
    // TCSANOW: a device that went away must not hold up the close.
    tcsetattr(fd, TCSANOW, &original);
    ioctl(fd, TIOCNXCL);
    ::close(fd);  // releases the flock as well
    CloseWakePipe();
}
