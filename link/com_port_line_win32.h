#pragma once

// The Windows side of CComPort: one opened COM port and how a call on it is
// waited for. Shared by the two source files of the port (opening, and the
// calls on an open line).

#include <windows.h>

#include <memory>
#include <string>

#include "link/com_port.h"

namespace com_port_win32 {

// How one overlapped call on the line ended.
enum class IoResult {
    Done,      // completed; the bytes moved are reported
    Failed,    // timed out, woken by Close(), or refused by the driver
    LineGone,  // the device went away (adapter pulled): the handle is dead
};

// The errors with which a driver reports that its device is gone: a pulled
// USB adapter fails every later call with one of them. Wine reports a
// pseudo-terminal whose other side went away as a broken pipe (reads) and a
// device that is not ready (writes, the queue's state).
inline bool IsDeviceGoneError(DWORD nError) {
    switch (nError) {
        case ERROR_ACCESS_DENIED:
        case ERROR_OPERATION_ABORTED:
        case ERROR_BAD_COMMAND:
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_GEN_FAILURE:
        case ERROR_BROKEN_PIPE:
        case ERROR_NOT_READY:
            return true;
        default:
            return false;
    }
}

}  // namespace com_port_win32

struct CComPort::Line {
    HANDLE hPort = INVALID_HANDLE_VALUE;  // the open port, overlapped
    HANDLE hWake = nullptr;  // manual-reset event, set once Close() wants the line back
    DCB original{};          // the port's settings before the open, restored on close
    COMMTIMEOUTS originalTimeouts{};
    int nUsers = 0;  // Read/Write calls inside the line (guarded by m_mutex)

    // One overlapped ReadFile or WriteFile, waited for until it completes,
    // the wake-up comes or nBoundMs pass. A call that is left is cancelled and
    // its end awaited, so nothing writes to the buffer after the return.
    // *pnDone receives the bytes moved when the result is Done.
    com_port_win32::IoResult Transfer(bool bWrite, void* pBuffer, DWORD nCount, DWORD nBoundMs,
                                      DWORD* pnDone) const;
    // Waits up to nMs for Close() to want the line back; true when it does.
    bool Woken(DWORD nMs) const { return WaitForSingleObject(hWake, nMs) == WAIT_OBJECT_0; }

    // Opens and sets up the port; null with the cause in *pFailure.
    static std::unique_ptr<Line> Open(const std::string& strPath, SPortOpenFailure* pFailure);
    void Restore();
};
