// CComPort on Linux and other POSIX systems: a tty device opened exclusively,
// set to a raw 38400 8N1 line, read and written through poll() so that a
// Close() from another thread can wake a call that waits on the line.

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

#include "link/com_port_line_posix.h"
#include "link/com_port_map.h"

using namespace com_port_posix;

namespace {

// Read time-out for the first byte: 10 ms for one byte plus 200 ms.
constexpr auto kReadTimeout = std::chrono::milliseconds(10 * 1 + 200);

bool IsLineGone(short nRevents) {
    return (nRevents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
}

// One read() of up to nMax bytes, repeated when a signal cut it short.
ssize_t ReadSome(int fd, uint8_t* pBuffer, int nMax) {
    ssize_t nRead = 0;
    do {
        nRead = ::read(fd, pBuffer, static_cast<size_t>(nMax));
    } while (nRead < 0 && errno == EINTR);
    return nRead;
}

}  // namespace

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

// The purge: whatever the device sent before a frame (a late or stray reply)
// is dropped, so that the receiver after the write sees only the answer to
// this frame. An observer is shown those bytes: they are read off the line
// first, which changes nothing on the wire. Its result does not matter.
void CComPort::Purge(const Line& line, ILineObserver* pObserver) {
    int nPending = 0;
    while (pObserver != nullptr && ioctl(line.fd, FIONREAD, &nPending) == 0 && nPending > 0) {
        uint8_t abJunk[512];
        const ssize_t nRead = ReadSome(line.fd, abJunk, std::min<int>(nPending, sizeof abJunk));
        if (nRead <= 0) {
            break;
        }
        pObserver->Purged(abJunk, static_cast<size_t>(nRead));
    }
    tcflush(line.fd, TCIOFLUSH);
}

CComPort::WriteResult CComPort::WriteBytes(const Line& line, const uint8_t* pBytes, int nCount,
                                           Clock::time_point deadline) {
    int nDone = 0;
    while (nDone < nCount) {
        const ssize_t nWritten =
            ::write(line.fd, pBytes + nDone, static_cast<size_t>(nCount - nDone));
        if (nWritten > 0) {
            nDone += static_cast<int>(nWritten);
            continue;
        }
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // EIO (a tty hung up), ENXIO or ENODEV (its device removed): the
            // device went away. A tty write fails for nothing else, and a
            // needless reopen costs less than a dead port kept.
            return WriteResult::LineGone;
        }
        // The output queue is full: wait until it takes more, the time-out
        // runs out, the device goes away or Close() wants the line back.
        short nRevents = 0;
        if (Clock::now() >= deadline) {
            return WriteResult::Failed;
        }
        const WaitResult eWait = line.Wait(POLLOUT, deadline, &nRevents);
        if (eWait == WaitResult::Ready && IsLineGone(nRevents)) {
            return WriteResult::LineGone;
        }
        if (eWait != WaitResult::Ready) {
            return WriteResult::Failed;
        }
    }
    return WriteResult::Done;
}

// Waits until the output queue is empty and the bytes have had their time on
// the wire. Each sleep lasts until the bytes still queued can have left (and
// at least until the frame's wire time is over), so a frame costs a wake-up
// or two, while Close() and a hang-up still end the wait at once. tcdrain
// then waits for the last byte to leave the UART (at most one character
// time, since the queue is already empty).
CComPort::WriteResult CComPort::DrainLine(const Line& line, Clock::time_point wireEnd,
                                          Clock::time_point deadline) {
    for (;;) {
        int nQueued = 0;
        if (ioctl(line.fd, TIOCOUTQ, &nQueued) != 0) {
            nQueued = 0;
        }
        const Clock::time_point now = Clock::now();
        if (nQueued == 0 && now >= wireEnd) {
            break;
        }
        if (now >= deadline) {
            return WriteResult::Failed;
        }
        const Clock::time_point wake =
            std::min(deadline, std::max(wireEnd, now + kWireByteTime * nQueued));
        short nRevents = 0;
        const WaitResult eWait = line.Wait(0, wake, &nRevents);
        if (eWait == WaitResult::Ready && IsLineGone(nRevents)) {
            return WriteResult::LineGone;
        }
        if (eWait == WaitResult::Woken || eWait == WaitResult::Failed) {
            return WriteResult::Failed;
        }
    }
    while (tcdrain(line.fd) != 0) {
        if (errno != EINTR) {
            return errno == EIO ? WriteResult::LineGone : WriteResult::Failed;
        }
    }
    return WriteResult::Done;
}

// One wait decides: bytes came (POLLIN), nothing came, the device went away
// (POLLHUP/POLLERR), or Close() woke us. A hung-up tty polls
// POLLIN|POLLHUP|POLLERR and reads 0 bytes (end of file) from then on; Linux
// drops its unread input with the hang-up.
CComPort::SReadResult CComPort::ReadFirst(const Line& line, uint8_t* pBuffer, int nMax) {
    short nRevents = 0;
    const bool bReady =
        line.Wait(POLLIN, Clock::now() + kReadTimeout, &nRevents) == WaitResult::Ready;
    if (bReady && (nRevents & POLLIN) != 0) {
        const ssize_t nRead = ReadSome(line.fd, pBuffer, nMax);
        if (nRead > 0) {
            // Bytes still queued count, even beside a hang-up.
            return {static_cast<int>(nRead), false};
        }
        // An error (EIO, ENXIO), or 0 bytes with the hang-up in the same poll.
        // With VMIN=0 a read of 0 bytes alone means "nothing there": a quiet
        // line is never taken for a dead one.
        return {0, nRead < 0 ? errno != EAGAIN && errno != EWOULDBLOCK : IsLineGone(nRevents)};
    }
    return {0, bReady && IsLineGone(nRevents)};
}

CComPort::SReadResult CComPort::ReadQueued(const Line& line, uint8_t* pBuffer, int nMax) {
    const ssize_t nRead = ReadSome(line.fd, pBuffer, nMax);
    if (nRead > 0) {
        return {static_cast<int>(nRead), false};
    }
    return {0, nRead < 0 && errno != EAGAIN && errno != EWOULDBLOCK};
}

bool CComPort::Rest(const Line& line, Clock::duration duration) {
    short nRevents = 0;
    return line.Wait(0, Clock::now() + duration, &nRevents) == WaitResult::TimedOut;
}

bool CComPort::ShowsHangUp(const Line& line) {
    // With no events asked for, poll() reports only what is always reported:
    // POLLHUP, POLLERR and POLLNVAL.
    pollfd fd = {line.fd, 0, 0};
    int nResult = 0;
    do {
        nResult = poll(&fd, 1, 0);
    } while (nResult < 0 && errno == EINTR);
    return nResult > 0 && IsLineGone(fd.revents);
}
