#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "link/com_port_map.h"
#include "link/line_observer.h"
#include "link/port_open_failure.h"

// The one serial line to the device: 38400 baud, 8 data bits, no parity, one
// stop bit, no flow control, DTR and RTS held off, a transparent 8-bit line.
//
// Port numbers are the COMn numbers the user knows (1..100); how they map to
// device files is in com_port_map.h. Every operation is synchronous.
//
// Threads: one worker uses the port at a time, but Close() may come from
// another thread while that worker is inside Read() or Write(). The
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
    // A Read or Write blocked in another thread is woken and returns 0;
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
    // port that has failed. An observer is told the bytes the purge threw away
    // and then the frame.
    int Write(const uint8_t* pBytes, int nCount);

    // Reads up to nCount bytes into pBuffer: waits up to 210 ms for the first;
    // once it has come, gives the rest of the nCount bytes the time they take
    // on a 38400-baud wire in a single sleep, then takes what has come, so
    // that a reply costs two or three wake-ups rather than one per byte. Never takes more than
    // nCount bytes off the line: what follows stays queued for the next read, or for the next
    // write's purge. Returns the number of bytes read; 0 when none came, when no port is open, when
    // the device went away (the port is then marked failed) or the port was closed meanwhile. 0 at
    // once on a port that has failed, so a caller that reads until a time-out does not spin.
    int Read(uint8_t* pBuffer, int nCount);

    // From now on COMn is the device file that pMap gives it: a map made once
    // for a whole run, or one that names the device files of a station's
    // ports. Null (the default): the system's map as it is at each Open
    // (CComPortMap::FromSystem), so that an adapter plugged in meanwhile is
    // found. The port open now stays open.
    void UsePortMap(std::shared_ptr<const CComPortMap> pMap);
    // The device file that Open(n) would open; "" when COMn does not exist.
    std::string DevicePath(uint8_t n) const;

    // Reports what passes over the line to pObserver from now on (null: to no
    // one, the default). Set it while no call is on the line; the observer
    // must outlive its use here.
    void SetObserver(ILineObserver* pObserver) { m_pObserver.store(pObserver); }
    ILineObserver* Observer() const { return m_pObserver.load(); }

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
    // What a read took from the line; bLineGone when the device went away.
    struct SReadResult {
        int nBytes = 0;
        bool bLineGone = false;
    };
    using Clock = std::chrono::steady_clock;
    // One byte on the device's wire: a start bit, 8 data bits and a stop bit
    // at 38400 baud.
    static constexpr std::chrono::nanoseconds kWireByteTime{10 * 1000000000LL / 38400};

    // Throws away what both queues hold; what the device had sent goes to
    // pObserver first, when there is one.
    static void Purge(const Line& line, ILineObserver* pObserver);
    // True when the line shows now, without waiting, that its device went
    // away: a hang-up that no call has met yet.
    static bool ShowsHangUp(const Line& line);
    static WriteResult WriteBytes(const Line& line, const uint8_t* pBytes, int nCount,
                                  Clock::time_point deadline);
    static WriteResult DrainLine(const Line& line, Clock::time_point wireEnd,
                                 Clock::time_point deadline);
    // Waits up to the read time-out (210 ms) for a byte, then takes what is
    // there, up to nMax bytes.
    static SReadResult ReadFirst(const Line& line, uint8_t* pBuffer, int nMax);
    // Takes what is there now, up to nMax bytes, without waiting.
    static SReadResult ReadQueued(const Line& line, uint8_t* pBuffer, int nMax);
    // Sleeps for the given time; false when Close() wants the line back (or,
    // where the platform shows it while sleeping, the device went away).
    static bool Rest(const Line& line, Clock::duration duration);

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

    std::atomic<uint8_t> m_nPortNumber{0};      // n of the open COMn, 0 for none
    std::atomic<bool> m_bFailed{false};         // the open port hung up or failed
    std::atomic<uint8_t> m_nPortToReopen{0};    // COMn whose reopen failed, 0 for none
    SPortOpenFailure m_lastOpenFailure;         // guarded by m_mutex
    std::unique_ptr<Line> m_pLine;              // the open port
    std::shared_ptr<const CComPortMap> m_pMap;  // guarded by m_mutex; null: the system's
    std::atomic<ILineObserver*> m_pObserver{nullptr};
    mutable std::mutex m_mutex;        // guards m_pLine, the use counts, the failure, the map
    std::condition_variable m_cvIdle;  // signalled when a line's use count drops
};
