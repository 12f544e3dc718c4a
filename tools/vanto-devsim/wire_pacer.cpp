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
    // 268-byte frame.
    if (Clock::now() < tp) {
        std::this_thread::sleep_until(tp);
    }
}
