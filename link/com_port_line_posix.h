#pragma once

// The POSIX side of CComPort: one opened tty and how it is waited on. Shared
// by the two source files of the port (opening, and the calls on an open line).

#include <poll.h>
#include <termios.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "link/com_port.h"

namespace com_port_posix {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC

inline int64_t MsUntil(Clock::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
}

// What a wait on the line ended with.
enum class WaitResult { Ready, TimedOut, Woken, Failed };

}  // namespace com_port_posix

struct CComPort::Line {
    int fd = -1;           // the open device
    int wakeFd = -1;       // self-pipe, read end: readable once Close() wants the line back
    int wakeWriteFd = -1;  // self-pipe, write end
    termios original{};    // the device's settings before the open, restored on close
    int nUsers = 0;        // ReadByte/Write calls inside the line (guarded by m_mutex)

    // Waits up to nTimeoutMs for the events on the device, or for the wake-up.
    // pRevents receives the device's revents when the result is Ready (with
    // nEvents 0 only a hang-up or an error of the device is Ready).
    com_port_posix::WaitResult Wait(short nEvents, int64_t nTimeoutMs, short* pRevents) const {
        using namespace com_port_posix;
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

    // Opens and sets up the device; null with the cause in *pFailure.
    static std::unique_ptr<Line> Open(const std::string& strPath, SPortOpenFailure* pFailure);
    void Restore();
    bool OpenWakePipe();
    void CloseWakePipe();
};
