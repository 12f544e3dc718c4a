// CComPort on Windows: the calls on an open COM port. Reads and writes are
// started overlapped and waited for together with the line's wake-up event,
// so that a Close() from another thread ends a call blocked on the line at
// once (CancelIoEx), and the handle is closed only once no call uses it any
// more: a handle value that Windows has given out again is never read or
// written.

#include <algorithm>
#include <cstdint>

#include "link/com_port_line_win32.h"
#include "link/com_port_map.h"
#include "link/comm_settings_win32.h"

using namespace com_port_win32;

namespace {

// Our own wait outlasts the driver's time-out by this much: a back-stop for a
// driver that does not keep it, never the time-out that normally ends a call.
constexpr DWORD kBackstopMs = 1000;

// Whole milliseconds until the deadline, rounded up: a wait never ends before
// it, so no caller loops on waits of 0.
DWORD MsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
        return 0;
    }
    return static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

// The bytes the driver has received and nobody has read yet.
DWORD QueuedIn(HANDLE hPort) {
    DWORD nErrors = 0;
    COMSTAT status{};
    return ClearCommError(hPort, &nErrors, &status) ? status.cbInQue : 0;
}

}  // namespace

IoResult CComPort::Line::Transfer(bool bWrite, void* pBuffer, DWORD nCount, DWORD nBoundMs,
                                  DWORD* pnDone) const {
    *pnDone = 0;
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (ov.hEvent == nullptr) {
        return IoResult::Failed;
    }
    const BOOL bStarted = bWrite ? WriteFile(hPort, pBuffer, nCount, nullptr, &ov)
                                 : ReadFile(hPort, pBuffer, nCount, nullptr, &ov);
    if (!bStarted) {
        const DWORD nError = GetLastError();
        if (nError != ERROR_IO_PENDING) {
            CloseHandle(ov.hEvent);
            return IsDeviceGoneError(nError) ? IoResult::LineGone : IoResult::Failed;
        }
    }
    bool bCancelled = false;
    const HANDLE waitFor[2] = {ov.hEvent, hWake};
    if (WaitForMultipleObjects(2, waitFor, FALSE, nBoundMs) != WAIT_OBJECT_0) {
        bCancelled = true;  // woken by Close(), or the back-stop ran out
        CancelIoEx(hPort, &ov);
    }
    // Waits for the end of a cancelled call too: the driver owns ov and the
    // buffer until then.
    DWORD nDone = 0;
    const bool bCompleted = GetOverlappedResult(hPort, &ov, &nDone, TRUE) != 0;
    const DWORD nError = bCompleted ? ERROR_SUCCESS : GetLastError();
    CloseHandle(ov.hEvent);
    if (bCancelled) {
        return IoResult::Failed;  // our own cancel: the line itself is fine
    }
    if (!bCompleted) {
        return IsDeviceGoneError(nError) ? IoResult::LineGone : IoResult::Failed;
    }
    *pnDone = nDone;
    return IoResult::Done;
}

void CComPort::Release(std::unique_ptr<Line> pLine) {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        // The event stays set: a call that starts its wait late returns at once too.
        SetEvent(pLine->hWake);
        m_cvIdle.wait(lock, [&pLine] { return pLine->nUsers == 0; });
    }
    // No call uses the handle and none can reach it any more: only now may
    // Windows have it back.
    pLine->Restore();
}

// The purge: whatever the device sent before a frame (a late or stray reply)
// is dropped, so that the receiver after the write sees only the answer to
// this frame. An observer is shown those bytes: they are read off the line
// first, which changes nothing on the wire. Calls in progress are not
// aborted; the result does not matter.
void CComPort::Purge(const Line& line, ILineObserver* pObserver) {
    while (pObserver != nullptr) {
        uint8_t abJunk[512];
        const SReadResult junk = ReadQueued(line, abJunk, sizeof abJunk);
        if (junk.nBytes == 0) {
            break;
        }
        pObserver->Purged(abJunk, static_cast<size_t>(junk.nBytes));
    }
    PurgeComm(line.hPort, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

// One overlapped WriteFile under the driver's write time-out.
CComPort::WriteResult CComPort::WriteBytes(const Line& line, const uint8_t* pBytes, int nCount,
                                           Clock::time_point deadline) {
    if (nCount == 0) {
        return WriteResult::Done;
    }
    const DWORD nBytes = static_cast<DWORD>(nCount);
    DWORD nDone = 0;
    // WriteFile does not write through its buffer; the cast only fits its signature.
    const IoResult eResult = line.Transfer(true, const_cast<uint8_t*>(pBytes), nBytes,
                                           MsUntil(deadline) + kBackstopMs, &nDone);
    if (eResult == IoResult::LineGone) {
        return WriteResult::LineGone;
    }
    return eResult == IoResult::Done && nDone == nBytes ? WriteResult::Done : WriteResult::Failed;
}

// A completed WriteFile means the driver has the bytes, not that they are on
// the wire: waits until the driver's output queue is empty and the bytes have
// had their time on a 38400-baud line. Each wait lasts until the bytes still
// queued can have left (and at least until the frame's wire time is over),
// and Close() ends it at once. (FlushFileBuffers would wait for the queue
// too, but no Close() could end it.)
CComPort::WriteResult CComPort::DrainLine(const Line& line, Clock::time_point wireEnd,
                                          Clock::time_point deadline) {
    for (;;) {
        DWORD nErrors = 0;
        COMSTAT status{};
        if (!ClearCommError(line.hPort, &nErrors, &status) && IsDeviceGoneError(GetLastError())) {
            return WriteResult::LineGone;
        }
        const Clock::time_point now = Clock::now();
        if (status.cbOutQue == 0 && now >= wireEnd) {
            return WriteResult::Done;
        }
        if (now >= deadline) {
            return WriteResult::Failed;
        }
        const Clock::time_point wake =
            std::min(deadline, std::max(wireEnd, now + kWireByteTime * status.cbOutQue));
        if (line.Woken(std::max<DWORD>(1, MsUntil(wake)))) {
            return WriteResult::Failed;
        }
    }
}

// One byte under the driver's read time-outs (it returns as soon as the byte
// is there, and empty after 210 ms), then what else has come.
CComPort::SReadResult CComPort::ReadFirst(const Line& line, uint8_t* pBuffer, int nMax) {
    DWORD nDone = 0;
    const DWORD nBoundMs = kReadMsPerByte * 1 + kReadConstantMs + kBackstopMs;
    const IoResult eResult = line.Transfer(false, pBuffer, 1, nBoundMs, &nDone);
    if (eResult != IoResult::Done || nDone != 1) {
        return {0, eResult == IoResult::LineGone};
    }
    SReadResult result = nMax > 1 ? ReadQueued(line, pBuffer + 1, nMax - 1) : SReadResult{};
    result.nBytes += 1;
    return result;
}

// Asks for no more than the driver holds, so the read completes at once.
CComPort::SReadResult CComPort::ReadQueued(const Line& line, uint8_t* pBuffer, int nMax) {
    const DWORD nCount = std::min<DWORD>(QueuedIn(line.hPort), static_cast<DWORD>(nMax));
    if (nCount == 0) {
        return {};
    }
    DWORD nDone = 0;
    const IoResult eResult = line.Transfer(false, pBuffer, nCount, kBackstopMs, &nDone);
    return {eResult == IoResult::Done ? static_cast<int>(nDone) : 0, eResult == IoResult::LineGone};
}

bool CComPort::Rest(const Line& line, Clock::duration duration) {
    return !line.Woken(MsUntil(Clock::now() + duration));
}

// A port whose device went away fails every later call, the query of its
// state included; a healthy one answers it at once.
bool CComPort::ShowsHangUp(const Line& line) {
    DWORD nErrors = 0;
    COMSTAT status{};
    return !ClearCommError(line.hPort, &nErrors, &status) && IsDeviceGoneError(GetLastError());
}
