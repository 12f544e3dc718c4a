#include "tools/vanto-devsim/wire_pacer.h"

#include <algorithm>
#include <thread>

CWirePacer::CWirePacer(unsigned nBaud) {
    if (nBaud > 0) {
        const auto nNanos = 10ull * 1000000000ull / nBaud;
        m_byteTime = std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(nNanos));
    }
}

CWirePacer::Clock::time_point CWirePacer::NoteReceived(Clock::time_point tpRead) {
    if (!IsPacing()) {
        m_tpLastArrival = tpRead;
    } else {
        m_tpLastArrival = std::max(tpRead, m_tpLastArrival) + m_byteTime;
    }
    return m_tpLastArrival;
}

void CWirePacer::WaitForLastArrival() const {
    if (IsPacing()) {
        SleepUntil(m_tpLastArrival);
    }
}

void CWirePacer::SleepUntil(Clock::time_point tp) {
    // Absolute deadlines: the sleeps' own overshoot does not add up over a
    // 268-byte frame. A timer wake-up can come late by far more than a byte
    // time on a busy machine, so the last stretch before a deadline is
    // waited out awake (a few hundred microseconds per byte at most).
    constexpr auto kAwake = std::chrono::microseconds(400);
    if (Clock::now() < tp - kAwake) {
        std::this_thread::sleep_until(tp - kAwake);
    }
    while (Clock::now() < tp) {
        std::this_thread::yield();
    }
}
