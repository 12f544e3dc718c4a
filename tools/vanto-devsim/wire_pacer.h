#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// Makes a pseudo-terminal as slow as a serial wire. A pty moves a whole frame
// at once; at 38400 baud with 10 bits per byte (start, 8 data, stop) each
// byte takes 260 us on the wire. Received bytes are given the time at which
// they would have arrived, and replies are let out one byte per byte time.
// With a baud rate of 0 nothing is paced. Pacing sets the process's timer
// slack to its least.
class CWirePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit CWirePacer(unsigned nBaud);

    bool IsPacing() const { return m_byteTime.count() > 0; }
    Clock::duration ByteTime() const { return m_byteTime; }

    // A byte read at tpRead has fully arrived one byte time after both its
    // read and the arrival of the byte before it. Returns that moment.
    Clock::time_point NoteReceived(Clock::time_point tpRead);

    // Sleeps until the last byte noted has arrived.
    void WaitForLastArrival() const;
    Clock::time_point LastArrival() const { return m_tpLastArrival; }

    // Sleeps until tp (returns at once when tp has passed).
    static void SleepUntil(Clock::time_point tp);

private:
    Clock::duration m_byteTime{0};
    Clock::time_point m_tpLastArrival{};
};
