// CComPort on Linux and other POSIX systems: a tty device opened exclusively,
// set to a raw 38400 8N1 line, read and written through poll() so that a
// Close() from another thread can wake a call that waits on the line.

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

#include "link/com_port.h"
#include "link/com_port_map.h"

namespace {

// Read time-out of one ReadByte: the original's 10 ms interval for one byte
// plus 200 ms constant.
constexpr int kReadTimeoutMs = 10 * 1 + 200;
// Write time-out: 2000 ms per byte written plus 50 ms.
constexpr int64_t kWriteMsPerByte = 2000;
constexpr int64_t kWriteConstantMs = 50;

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC

int64_t MsUntil(Clock::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
}

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

// What a wait on the line ended with.
enum class WaitResult { Ready, TimedOut, Woken, Failed };

}  // namespace

struct CComPort::Line {
    int fd = -1;           // the open device
    int wakeFd = -1;       // self-pipe, read end: readable once Close() wants the line back
    int wakeWriteFd = -1;  // self-pipe, write end
    termios original{};    // the device's settings before the open, restored on close
    int nUsers = 0;        // ReadByte/Write calls inside the line (guarded by m_mutex)

    // Waits up to nTimeoutMs for the events on the device, or for the wake-up.
    // pRevents receives the device's revents when the result is Ready.
    WaitResult Wait(short nEvents, int64_t nTimeoutMs, short* pRevents) const {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
        for (;;) {
            pollfd fds[2] = {{fd, nEvents, 0}, {wakeFd, POLLIN, 0}};
            const int64_t nLeft = nTimeoutMs <= 0 ? 0 : MsUntil(deadline);
            const int nResult = poll(fds, 2, static_cast<int>(nLeft < 0 ? 0 : nLeft));
            if (nResult < 0) {
                if (errno == EINTR) {
                    continue;  // a signal handler ran: wait the rest of the time
                }
                return WaitResult::Failed;
            }
            if (fds[1].revents != 0) {
                return WaitResult::Woken;  // Close() from another thread
            }
            if (nResult == 0) {
                return WaitResult::TimedOut;
            }
            *pRevents = fds[0].revents;
            return WaitResult::Ready;
        }
    }

    // Both ends of the line's life.
    static std::unique_ptr<Line> Open(const std::string& strPath);
    void Restore();
    bool OpenWakePipe();
    void CloseWakePipe();
};

std::unique_ptr<CComPort::Line> CComPort::Line::Open(const std::string& strPath) {
    // Never the system console, whatever the port map says; checked before the
    // open so that not even the console's modem lines are touched.
    struct stat st {};
    if (stat(strPath.c_str(), &st) != 0 || !S_ISCHR(st.st_mode) || IsConsoleDevice(st.st_rdev)) {
        return nullptr;
    }
    auto pLine = std::make_unique<Line>();
    // O_NONBLOCK: do not wait for a carrier, and let poll() do all waiting.
    pLine->fd = ::open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pLine->fd < 0) {
        return nullptr;
    }
    const auto fail = [&pLine](bool bRestore) -> std::unique_ptr<Line> {
        if (bRestore) {
            tcsetattr(pLine->fd, TCSANOW, &pLine->original);
        }
        ioctl(pLine->fd, TIOCNXCL);
        ::close(pLine->fd);
        pLine->CloseWakePipe();
        return nullptr;
    };
    // Share mode 0: flock keeps out every other opener that uses it, root
    // included; TIOCEXCL keeps out every other non-root open() of the tty.
    struct stat opened {};
    if (fstat(pLine->fd, &opened) != 0 || opened.st_rdev != st.st_rdev ||
        flock(pLine->fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(pLine->fd);
        return nullptr;
    }
    if (ioctl(pLine->fd, TIOCEXCL) != 0 || tcgetattr(pLine->fd, &pLine->original) != 0) {
        return fail(false);
    }
    const termios wanted = LinkSettings(pLine->original);
    termios taken{};
    if (tcsetattr(pLine->fd, TCSANOW, &wanted) != 0 || tcgetattr(pLine->fd, &taken) != 0 ||
        !SettingsTook(taken) || !ModemLinesOff(pLine->fd)) {
        return fail(true);
    }
    if (!pLine->OpenWakePipe()) {
        return fail(true);
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

CComPort::CComPort() = default;

CComPort::~CComPort() {
    Close();
}

CComPort::Line* CComPort::Use() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_pLine) {
        return nullptr;
    }
    ++m_pLine->nUsers;
    return m_pLine.get();
}

void CComPort::Unuse(Line* pLine) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (--pLine->nUsers == 0) {
        m_cvIdle.notify_all();
    }
}

void CComPort::Release(std::unique_ptr<Line> pLine) {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        // close() on a descriptor does not wake a poll() on it under Linux;
        // a byte in the self-pipe does. It is never read, so the pipe stays
        // readable and a call that starts its wait late returns at once too.
        const char cWake = 1;
        [[maybe_unused]] const ssize_t nWritten = ::write(pLine->wakeWriteFd, &cWake, 1);
        m_cvIdle.wait(lock, [&pLine] { return pLine->nUsers == 0; });
    }
    // No call uses the descriptor and none can reach it any more: only now may
    // its number be given back to the system for reuse.
    pLine->Restore();
}

int CComPort::Open(uint8_t n) {
    if (n == 0 || n > kMaxComPort || n == m_nPortNumber.load()) {
        return 0;
    }
    std::unique_ptr<Line> pNew = Line::Open(ComPortDevicePath(n));
    if (!pNew) {
        return 0;  // the port open before, if any, stays as it was
    }
    std::unique_ptr<Line> pOld;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pOld = std::move(m_pLine);
        m_pLine = std::move(pNew);
        m_nPortNumber.store(n);
    }
    // The new port is fully set up before the old one is let go.
    if (pOld) {
        Release(std::move(pOld));
    }
    return 1;
}

int CComPort::Close() {
    std::unique_ptr<Line> pOld;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pOld = std::move(m_pLine);
        m_nPortNumber.store(0);
    }
    if (pOld) {
        Release(std::move(pOld));
    }
    return 1;
}

int CComPort::Write(const uint8_t* pBytes, int nCount) {
    if (nCount < 0 || (pBytes == nullptr && nCount > 0)) {
        return 0;
    }
    Line* pLine = Use();
    if (pLine == nullptr) {
        return 0;
    }
    // The purge: whatever the device sent before this frame (a late or
    // stray reply) is dropped, so that the receiver after this write sees
    // only the answer to this frame. Its result does not matter.
    tcflush(pLine->fd, TCIOFLUSH);

    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(kWriteMsPerByte * nCount + kWriteConstantMs);
    int nDone = 0;
    int nResult = 1;
    while (nDone < nCount) {
        const ssize_t nWritten =
            ::write(pLine->fd, pBytes + nDone, static_cast<size_t>(nCount - nDone));
        if (nWritten > 0) {
            nDone += static_cast<int>(nWritten);
            continue;
        }
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            nResult = 0;  // EIO and the like: the device went away
            break;
        }
        // The output queue is full: wait until it takes more, the time-out
        // runs out, the device goes away or Close() wants the line back.
        const int64_t nLeft = MsUntil(deadline);
        short nRevents = 0;
        if (nLeft <= 0 || pLine->Wait(POLLOUT, nLeft, &nRevents) != WaitResult::Ready ||
            (nRevents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            nResult = 0;
            break;
        }
    }
    Unuse(pLine);
    return nResult;
}

int CComPort::ReadByte(uint8_t* pByte) {
    if (pByte == nullptr) {
        return 0;
    }
    Line* pLine = Use();
    if (pLine == nullptr) {
        return 0;
    }
    int nResult = 0;
    short nRevents = 0;
    // One wait decides: a byte came (POLLIN), nothing came, the device went
    // away (POLLHUP/POLLERR without data), or Close() woke us. With VMIN=0 a
    // read of 0 bytes means "nothing there", never end of file by itself.
    if (pLine->Wait(POLLIN, kReadTimeoutMs, &nRevents) == WaitResult::Ready &&
        (nRevents & POLLIN) != 0) {
        uint8_t b = 0;
        ssize_t nRead = 0;
        do {
            nRead = ::read(pLine->fd, &b, 1);
        } while (nRead < 0 && errno == EINTR);
        if (nRead == 1) {
            *pByte = b;
            nResult = 1;
        }
        // 0 bytes or an error (EIO, or end of file after a hang-up): no byte,
        // at once. (Linux drops a hung-up tty's unread input with it.)
    }
    Unuse(pLine);
    return nResult;
}
