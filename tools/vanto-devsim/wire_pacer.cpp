#include "tools/vanto-devsim/wire_pacer.h"

#include <sys/prctl.h>

#include <algorithm>
#include <thread>

CWirePacer::CWirePacer(unsigned nBaud) {
    if (nBaud > 0) {
        const auto nNanos = 10ull * 1000000000ull / nBaud;
        m_byteTime = std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(nNanos));
        // The kernel may otherwise let a sleep run 50 us past its deadline
        // to merge wake-ups; a byte time is 260 us.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
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
    // Absolute deadlines: a late wake-up delays one byte, and the next byte's
    // deadline does not move with it, so the lateness never adds up over a
    // 268-byte frame. With the timer slack at its least (set when pacing
    // starts) a sleep wakes some tens of microseconds after its deadline on an
    // idle machine, well inside a byte time; waiting out that stretch awake
    // would cost a hundred simulated devices on two cores the processor their
    // host needs.
    std::this_thread::sleep_until(tp);
}
