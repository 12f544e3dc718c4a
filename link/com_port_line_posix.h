#pragma once

// The POSIX side of CComPort: one opened tty and how it is waited on. Shared
// by the two source files of the port (opening, and the calls on an open line).

#include <poll.h>
#include <termios.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "link/com_port.h"

namespace com_port_posix {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC

// What a wait on the line ended with.
enum class WaitResult { Ready, TimedOut, Woken, Failed };

}  // namespace com_port_posix

struct CComPort::Line {
    int fd = -1;           // the open device
    int wakeFd = -1;       // self-pipe, read end: readable once Close() wants the line back
    int wakeWriteFd = -1;  // self-pipe, write end
    termios original{};    // the device's settings before the open, restored on close
    int nUsers = 0;        // Read/Write calls inside the line (guarded by m_mutex)

    // Waits until the deadline for the events on the device, or for the
    // wake-up. The deadline is kept to the nanosecond (ppoll), never rounded
    // down to a millisecond that would end the wait early and leave the
    // caller looping on a wait of 0. pRevents receives the device's revents
    // when the result is Ready (with nEvents 0 only a hang-up or an error of
    // the device is Ready).
    com_port_posix::WaitResult Wait(short nEvents, com_port_posix::Clock::time_point deadline,
                                    short* pRevents) const {
        using namespace com_port_posix;
        for (;;) {
            pollfd fds[2] = {{fd, nEvents, 0}, {wakeFd, POLLIN, 0}};
            const auto nLeft = std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::max(deadline - Clock::now(), Clock::duration::zero()));
            timespec left{};
            left.tv_sec = static_cast<time_t>(nLeft.count() / 1000000000);
            left.tv_nsec = static_cast<long>(nLeft.count() % 1000000000);
            const int nResult = ppoll(fds, 2, &left, nullptr);
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
