// CComPort on Windows: \\.\COMn opened with no sharing, its line set through
// the port's DCB and COMMTIMEOUTS. Reads and writes are started overlapped and
// waited for together with the line's wake-up event, so that a Close() from
// another thread ends a call blocked on the line at once (CancelIoEx), and the
// handle is closed only once no call uses it any more: a handle value that
// Windows has given out again is never read or written.

#include <windows.h>

#include <cstdint>

#include "link/com_port.h"
#include "link/com_port_map.h"
#include "link/comm_settings_win32.h"

namespace {

// Our own wait outlasts the driver's time-out by this much: a back-stop for a
// driver that does not keep it, never the time-out that normally ends a call.
constexpr DWORD kBackstopMs = 1000;

}  // namespace

struct CComPort::Line {
    HANDLE hPort = INVALID_HANDLE_VALUE;  // the open port, overlapped
    HANDLE hWake = nullptr;  // manual-reset event, set once Close() wants the line back
    DCB original{};          // the port's settings before the open, restored on close
    COMMTIMEOUTS originalTimeouts{};
    int nUsers = 0;  // ReadByte/Write calls inside the line (guarded by m_mutex)

    // One overlapped ReadFile or WriteFile, waited for until it completes,
    // the wake-up comes or nBoundMs pass. A call that is left is cancelled and
    // its end awaited, so nothing writes to the buffer after the return.
    // True with the bytes moved in *pnDone when it completed.
    bool Transfer(bool bWrite, void* pBuffer, DWORD nCount, DWORD nBoundMs, DWORD* pnDone) const;

    static std::unique_ptr<Line> Open(const std::string& strPath);
    void Restore();
};

bool CComPort::Line::Transfer(bool bWrite, void* pBuffer, DWORD nCount, DWORD nBoundMs,
                              DWORD* pnDone) const {
    *pnDone = 0;
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (ov.hEvent == nullptr) {
        return false;
    }
    const BOOL bStarted = bWrite ? WriteFile(hPort, pBuffer, nCount, nullptr, &ov)
                                 : ReadFile(hPort, pBuffer, nCount, nullptr, &ov);
    if (!bStarted && GetLastError() != ERROR_IO_PENDING) {
        CloseHandle(ov.hEvent);
        return false;  // the device went away, or the driver refused the call
    }
    bool bWoken = false;
    const HANDLE waitFor[2] = {ov.hEvent, hWake};
    const DWORD nWait = WaitForMultipleObjects(2, waitFor, FALSE, nBoundMs);
    if (nWait != WAIT_OBJECT_0) {
        bWoken = nWait == WAIT_OBJECT_0 + 1;
        CancelIoEx(hPort, &ov);
    }
    // Waits for the end of a cancelled call too: the driver owns ov and the
    // buffer until then.
    DWORD nDone = 0;
    const bool bCompleted = GetOverlappedResult(hPort, &ov, &nDone, TRUE) != 0;
    CloseHandle(ov.hEvent);
    if (!bCompleted || bWoken) {
        return false;
    }
    *pnDone = nDone;
    return true;
}

std::unique_ptr<CComPort::Line> CComPort::Line::Open(const std::string& strPath) {
    if (strPath.empty()) {
        return nullptr;
    }
    auto pLine = std::make_unique<Line>();
    // Share mode 0: no other opener while we hold it, and none before us.
    pLine->hPort = CreateFileA(strPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (pLine->hPort == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    pLine->original.DCBlength = sizeof pLine->original;
    bool bTook = GetCommState(pLine->hPort, &pLine->original) &&
                 GetCommTimeouts(pLine->hPort, &pLine->originalTimeouts);
    if (bTook) {
        DCB wanted = LinkDcb(pLine->original);
        DCB taken{};
        taken.DCBlength = sizeof taken;
        COMMTIMEOUTS timeouts = LinkTimeouts();
        bTook = SetCommState(pLine->hPort, &wanted) && GetCommState(pLine->hPort, &taken) &&
                LinkDcbTook(taken) && SetCommTimeouts(pLine->hPort, &timeouts);
        if (!bTook) {
            SetCommState(pLine->hPort, &pLine->original);
        }
    }
    if (bTook) {
        pLine->hWake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        bTook = pLine->hWake != nullptr;
    }
    if (!bTook) {
        CloseHandle(pLine->hPort);
        return nullptr;
    }
    return pLine;
}

void CComPort::Line::Restore() {
    SetCommTimeouts(hPort, &originalTimeouts);
    SetCommState(hPort, &original);
    CloseHandle(hPort);
    CloseHandle(hWake);
}

CComPort::CComPort() = default;

CComPort::~CComPort() {
    Close();
}

CComPort::Line* CComPort::Use() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_pLine) {
        return nullptr;
    }
    ++m_pLine->nUsers;
    return m_pLine.get();
}

void CComPort::Unuse(Line* pLine) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (--pLine->nUsers == 0) {
        m_cvIdle.notify_all();
    }
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

int CComPort::Open(uint8_t n) {
    if (n == 0 || n > kMaxComPort || n == m_nPortNumber.load()) {
        return 0;
    }
    std::unique_ptr<Line> pNew = Line::Open(ComPortDevicePath(n));
    if (!pNew) {
        return 0;  // the port open before, if any, stays as it was
    }
    std::unique_ptr<Line> pOld;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pOld = std::move(m_pLine);
        m_pLine = std::move(pNew);
        m_nPortNumber.store(n);
    }
    // The new port is fully set up before the old one is let go.
    if (pOld) {
        Release(std::move(pOld));
    }
    return 1;
}

int CComPort::Close() {
    std::unique_ptr<Line> pOld;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pOld = std::move(m_pLine);
        m_nPortNumber.store(0);
    }
    if (pOld) {
        Release(std::move(pOld));
    }
    return 1;
}

int CComPort::Write(const uint8_t* pBytes, int nCount) {
    if (nCount < 0 || (pBytes == nullptr && nCount > 0)) {
        return 0;
    }
    Line* pLine = Use();
    if (pLine == nullptr) {
        return 0;
    }
    // The purge: whatever the device sent before this frame (a late or stray
    // reply) is dropped, so that the receiver after this write sees only the
    // answer to this frame. Calls in progress are not aborted; the result
    // does not matter.
    PurgeComm(pLine->hPort, PURGE_TXCLEAR | PURGE_RXCLEAR);
    int nResult = 1;
    if (nCount > 0) {
        const DWORD nBytes = static_cast<DWORD>(nCount);
        const DWORD nBoundMs = kWriteMsPerByte * nBytes + kWriteConstantMs + kBackstopMs;
        DWORD nDone = 0;
        // WriteFile does not write through its buffer; the cast only fits its signature.
        const bool bDone =
            pLine->Transfer(true, const_cast<uint8_t*>(pBytes), nBytes, nBoundMs, &nDone);
        nResult = bDone && nDone == nBytes ? 1 : 0;
    }
    Unuse(pLine);
    return nResult;
}

int CComPort::ReadByte(uint8_t* pByte) {
    if (pByte == nullptr) {
        return 0;
    }
    Line* pLine = Use();
    if (pLine == nullptr) {
        return 0;
    }
    uint8_t b = 0;
    DWORD nDone = 0;
    const DWORD nBoundMs = kReadMsPerByte * 1 + kReadConstantMs + kBackstopMs;
    const int nResult = pLine->Transfer(false, &b, 1, nBoundMs, &nDone) && nDone == 1 ? 1 : 0;
    if (nResult == 1) {
        *pByte = b;
    }
    Unuse(pLine);
    return nResult;
}
