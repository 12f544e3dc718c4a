// Opening the device link's COM port on Windows: \\.\COMn with no sharing,
// 38400 8N1 through its DCB, the link's COMMTIMEOUTS, and the cause of a
// refusal told apart for the user.

#include "link/com_port_line_win32.h"
#include "link/comm_settings_win32.h"

namespace {

SPortOpenFailure Failure(EPortOpenFailure eKind, const std::string& strPath, DWORD nError) {
    return {eKind, strPath, static_cast<int>(nError), "", {}};
}

// The cause of a failed CreateFile on the port. Windows gives a COM port to
// one handle at a time: a port that is there but refused is held by another
// program (a terminal, a modem's software, another updater).
SPortOpenFailure CreateErrorFailure(DWORD nError, const std::string& strPath) {
    switch (nError) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return Failure(EPortOpenFailure::NoSuchPort, strPath, nError);
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return Failure(EPortOpenFailure::InUse, strPath, nError);
        default:
            return Failure(EPortOpenFailure::Other, strPath, nError);
    }
}

}  // namespace

std::unique_ptr<CComPort::Line> CComPort::Line::Open(const std::string& strPath,
                                                     SPortOpenFailure* pFailure) {
    if (strPath.empty()) {
        *pFailure = Failure(EPortOpenFailure::NoSuchPort, strPath, 0);
        return nullptr;
    }
    auto pLine = std::make_unique<Line>();
    // Share mode 0: no other opener while we hold it, and none before us.
    pLine->hPort = CreateFileA(strPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (pLine->hPort == INVALID_HANDLE_VALUE) {
        *pFailure = CreateErrorFailure(GetLastError(), strPath);
        return nullptr;
    }
    const auto fail = [&](bool bRestore, SPortOpenFailure failure) -> std::unique_ptr<Line> {
        if (bRestore) {
            SetCommState(pLine->hPort, &pLine->original);
        }
        CloseHandle(pLine->hPort);
        *pFailure = std::move(failure);
        return nullptr;
    };
    // A file or a device other than a serial port opens too; it has no DCB.
    pLine->original.DCBlength = sizeof pLine->original;
    if (!GetCommState(pLine->hPort, &pLine->original) ||
        !GetCommTimeouts(pLine->hPort, &pLine->originalTimeouts)) {
        return fail(false, Failure(EPortOpenFailure::NotASerialPort, strPath, GetLastError()));
    }
    DCB wanted = LinkDcb(pLine->original);
    DCB taken{};
    taken.DCBlength = sizeof taken;
    COMMTIMEOUTS timeouts = LinkTimeouts();
    if (!SetCommState(pLine->hPort, &wanted) || !GetCommState(pLine->hPort, &taken) ||
        !SetCommTimeouts(pLine->hPort, &timeouts)) {
        return fail(true, Failure(EPortOpenFailure::Other, strPath, GetLastError()));
    }
    // A driver may take a DCB without complaint and keep values of its own.
    if (!LinkDcbTook(taken)) {
        return fail(true, Failure(EPortOpenFailure::Other, strPath, 0));
    }
    pLine->hWake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (pLine->hWake == nullptr) {
        return fail(true, Failure(EPortOpenFailure::Other, strPath, GetLastError()));
    }
    return pLine;
}

void CComPort::Line::Restore() {
    SetCommTimeouts(hPort, &originalTimeouts);
    SetCommState(hPort, &original);
    CloseHandle(hPort);
    CloseHandle(hWake);
}
