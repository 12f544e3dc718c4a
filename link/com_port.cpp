// The members of CComPort that are the same on every platform: the line's
// use count, open and close, and the reopen after a failure. The platform
// sources hold the line itself (opening the device, waiting on it, waking it).

#include "link/com_port_map.h"
#ifdef _WIN32
#include "link/com_port_line_win32.h"
#else
#include "link/com_port_line_posix.h"
#endif

namespace {

// Write time-out: 2000 ms per byte written plus 50 ms.
constexpr int64_t kFrameWriteMsPerByte = 2000;
constexpr int64_t kFrameWriteConstantMs = 50;

}  // namespace

int CComPort::ReopenIfFailed() {
    // A tty hung up while nobody read or wrote it has told no one: ask it now,
    // so that the port is reopened before the next frame rather than failing it.
    NoteHangUp();
    uint8_t n = PortNumber();
    if (n != 0 && !HasFailed()) {
        return 1;
    }
    if (n == 0) {
        n = m_nPortToReopen.load();  // an earlier reopen failed: try again
    }
    if (n == 0) {
        return 0;
    }
    Close();
    if (Open(n) == 1) {
        return 1;
    }
    m_nPortToReopen.store(n);
    return 0;
}

CComPort::CComPort() = default;

CComPort::~CComPort() {
    Close();
}

CComPort::Line* CComPort::Use() {
    std::lock_guard<std::mutex> lock(m_mutex);
    // A failed line is dead for good: no call waits on it (a hung-up tty polls
    // ready at once, forever) until it is closed or reopened.
    if (!m_pLine || m_bFailed.load()) {
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

void CComPort::NoteHangUp() {
    Line* pLine = Use();
    if (pLine == nullptr) {
        return;
    }
    if (ShowsHangUp(*pLine)) {
        m_bFailed.store(true);
    }
    Unuse(pLine);
}

int CComPort::Open(uint8_t n) {
    if (n == 0 || n > kMaxComPort || n == m_nPortNumber.load()) {
        return 0;
    }
    SPortOpenFailure failure;
    std::unique_ptr<Line> pNew = Line::Open(DevicePath(n), &failure);
    if (!pNew) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastOpenFailure = std::move(failure);
        return 0;  // the port open before, if any, stays as it was
    }
    std::unique_ptr<Line> pOld;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pOld = std::move(m_pLine);
        m_pLine = std::move(pNew);
        m_nPortNumber.store(n);
        m_bFailed.store(false);
        m_nPortToReopen.store(0);
        m_lastOpenFailure = SPortOpenFailure();
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
        m_bFailed.store(false);
        m_nPortToReopen.store(0);
    }
    if (pOld) {
        Release(std::move(pOld));
    }
    return 1;
}

void CComPort::UsePortMap(std::shared_ptr<const CComPortMap> pMap) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pMap = std::move(pMap);
}

std::string CComPort::DevicePath(uint8_t n) const {
    std::shared_ptr<const CComPortMap> pMap;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pMap = m_pMap;
    }
    return pMap ? pMap->DevicePath(n) : CComPortMap::FromSystem().DevicePath(n);
}

SPortOpenFailure CComPort::LastOpenFailure() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastOpenFailure;
}

int CComPort::Write(const uint8_t* pBytes, int nCount) {
    if (nCount < 0 || (pBytes == nullptr && nCount > 0)) {
        return 0;
    }
    Line* pLine = Use();
    if (pLine == nullptr) {
        return 0;
    }
    ILineObserver* pObserver = m_pObserver.load();
    Purge(*pLine, pObserver);

    const Clock::time_point tStart = Clock::now();
    const Clock::time_point deadline =
        tStart + std::chrono::milliseconds(kFrameWriteMsPerByte * nCount + kFrameWriteConstantMs);
    WriteResult eResult = WriteBytes(*pLine, pBytes, nCount, deadline);
    if (eResult == WriteResult::Done) {
        eResult = DrainLine(*pLine, tStart + kWireByteTime * nCount, deadline);
    }
    // The device may go away in the write itself (EIO on a tty hung up while
    // the port was idle) or while the bytes drain: either way the line is dead.
    if (eResult == WriteResult::LineGone) {
        m_bFailed.store(true);
    }
    Unuse(pLine);
    if (pObserver != nullptr) {
        pObserver->Written(pBytes, static_cast<size_t>(nCount), eResult == WriteResult::Done);
    }
    return eResult == WriteResult::Done ? 1 : 0;
}

int CComPort::Read(uint8_t* pBuffer, int nCount) {
    if (pBuffer == nullptr || nCount <= 0) {
        return 0;
    }
    Line* pLine = Use();
    if (pLine == nullptr) {
        return 0;
    }
    SReadResult result = ReadFirst(*pLine, pBuffer, nCount);
    int nRead = result.nBytes;
    // More is wanted and on its way: one sleep for the time the rest takes on
    // the wire, instead of a wake-up for every byte as it comes. The sleep is
    // no longer than that: whatever is late is read by the caller's next
    // Read, which wakes as soon as it comes.
    if (nRead > 0 && nRead < nCount && !result.bLineGone &&
        Rest(*pLine, kWireByteTime * (nCount - nRead))) {
        result = ReadQueued(*pLine, pBuffer + nRead, nCount - nRead);
        nRead += result.nBytes;
    }
    if (result.bLineGone) {
        m_bFailed.store(true);
    }
    Unuse(pLine);
    if (ILineObserver* pObserver = m_pObserver.load(); pObserver != nullptr && nRead > 0) {
        pObserver->Received(pBuffer, static_cast<size_t>(nRead));
    }
    return nRead;
}
