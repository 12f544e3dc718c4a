#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "link/port_open_failure.h"

// The one serial line to the device: 38400 baud, 8 data bits, no parity, one
// stop bit, no flow control, DTR and RTS held off, a transparent 8-bit line.
//
// Port numbers are the COMn numbers the user knows (1..100); how they map to
// device files is in com_port_map.h. Every operation is synchronous.
//
// Threads: one worker uses the port at a time, but Close() may come from
// another thread while that worker is inside ReadByte() or Write(). The
// blocked call then returns 0 promptly, and the descriptor is released only
// once no call uses it any more, so a reused descriptor number is never read
// or written.
class CComPort {
public:
    CComPort();
    ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // Opens COMn with the line settings above. Returns 1 when COMn is open and
    // configured, 0 otherwise. Refuses (0, nothing changes) n == 0, n > 100 and
    // the n of the port open now. On failure the port open before stays open;
    // on success the old port is closed after the new one is set up.
    // Exclusive: a port that another process (or another CComPort) holds does
    // not open, and while open no one else can open it. Nor does a device that
    // another process already has open without a lock (a modem manager probing
    // a new port would eat the device's replies). A device that is the system
    // console never opens, whatever the port map says.
    int Open(uint8_t n);
    // Why the last Open failed; eKind None after one that succeeded.
    SPortOpenFailure LastOpenFailure() const;

    // Closes the open port, if any, restoring its original settings. Always 1.
    // A ReadByte or Write blocked in another thread is woken and returns 0;
    // Close returns once no call uses the port any more (milliseconds), so the
    // device is free for any opener when it returns.
    int Close();

    // Discards both queues (stray reply bytes included), then writes all bytes
    // and waits until they have left the line, all within 2000 ms per byte plus
    // 50 ms. Never sooner than the bytes take on a 38400-baud wire, so that a
    // reply time-out started afterwards counts from the frame's last byte even
    // where the driver reports its queue empty early (USB adapters, ptys). 1
    // when every byte went out; 0 with no port open, on a time-out, or when the
    // device went away (the port is then marked failed, whether that showed in
    // the write itself or in the wait for the bytes to leave). 0 at once on a
    // port that has failed.
    int Write(const uint8_t* pBytes, int nCount);

    // Reads one byte within 210 ms. Returns 1 when a byte came, 0 when none
    // came, when no port is open, when the device went away (the port is then
    // marked failed) or the port was closed meanwhile. 0 at once on a port
    // that has failed, so a caller that reads until a time-out does not spin.
    int ReadByte(uint8_t* pByte);

    // n of the open port COMn, 0 when none is open.
    uint8_t PortNumber() const { return m_nPortNumber.load(); }
    bool IsOpen() const { return PortNumber() != 0; }
    // True once a call on the open port met a hang-up or an I/O error: the
    // adapter was pulled, and the descriptor will never work again. A hang-up
    // while no call was on the line shows only in the next call (or in
    // ReopenIfFailed); until then this stays false.
    bool HasFailed() const { return m_bFailed.load(); }
    // First looks whether the open port has hung up meanwhile (without waiting:
    // an adapter pulled while the port was idle), then, after a failure, closes
    // the dead port and opens the same COMn afresh (the adapter may be back).
    // 1 when the port is usable (it had not failed, or it reopened); 0 when it
    // could not be opened again, and the next call tries the same COMn again;
    // 0 with no port open and none to reopen.
    int ReopenIfFailed();

private:
    // One opened device: the descriptor, the wake-up that Close() signals,
    // the settings to restore, and how many calls use it now. Defined by the
    // platform source.
    struct Line;
    enum class WriteResult { Done, Failed, LineGone };
    using Clock = std::chrono::steady_clock;

    static void Purge(const Line& line);
    // True when the line shows now, without waiting, that its device went
    // away: a hang-up that no call has met yet.
    static bool ShowsHangUp(const Line& line);
    static WriteResult WriteBytes(const Line& line, const uint8_t* pBytes, int nCount,
                                  Clock::time_point deadline);
    static WriteResult DrainLine(const Line& line, Clock::time_point wireEnd,
                                 Clock::time_point deadline);

    // Marks a call as using the open line; null when no port is open, the
    // line is being closed or has failed. Every non-null result is given back
    // with Unuse().
    Line* Use();
    void Unuse(Line* pLine);
    // Marks the port failed when its line shows a hang-up now.
    void NoteHangUp();
    // Wakes the calls blocked on the line, waits until none uses it any more,
    // then restores its settings and closes it. The line must no longer be
    // reachable through m_pLine.
    void Release(std::unique_ptr<Line> pLine);

    std::atomic<uint8_t> m_nPortNumber{0};    // n of the open COMn, 0 for none
    std::atomic<bool> m_bFailed{false};       // the open port hung up or failed
    std::atomic<uint8_t> m_nPortToReopen{0};  // COMn whose reopen failed, 0 for none
    SPortOpenFailure m_lastOpenFailure;       // guarded by m_mutex
    std::unique_ptr<Line> m_pLine;            // the open port (m_hPort of the original)
    mutable std::mutex m_mutex;               // guards m_pLine, the use counts, the failure
    std::condition_variable m_cvIdle;         // signalled when a line's use count drops
};
