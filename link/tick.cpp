#include "link/tick.h"

#include <time.h>

#include <cerrno>

uint32_t TickMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t nMs =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(nMs);  // modulo 2^32, like GetTickCount
}

void PauseMs(uint32_t nMs) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(nMs / 1000u);
    ts.tv_nsec = static_cast<long>(nMs % 1000u) * 1000000L;
    // clock_nanosleep on the monotonic clock returns the time still to sleep
    // when a signal interrupts it; sleep that too.
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, &ts) == EINTR) {
    }
}
