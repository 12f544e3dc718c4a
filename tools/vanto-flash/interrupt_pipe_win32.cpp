#include <windows.h>

#include <atomic>

#include "tools/vanto-flash/interrupt_pipe.h"

namespace {

// The signal numbers a POSIX terminal would send for the console's events.
constexpr int kHangUp = 1;
constexpr int kInterrupt = 2;
constexpr int kQuit = 3;
constexpr int kTerminate = 15;
// Where no event could be made, how long a wait sleeps before its caller
// looks at its roads again.
constexpr DWORD kWithoutEventsMs = 20;

// Made once and never closed: a handler may still run on its own thread
// while the instance goes. Both reset themselves when a wait returns them.
HANDLE g_hInterrupted = nullptr;
HANDLE g_hWoken = nullptr;
std::atomic<int> g_nSignal{0};

int SignalFor(DWORD dwEvent) {
    switch (dwEvent) {
        case CTRL_C_EVENT:
            return kInterrupt;
        case CTRL_BREAK_EVENT:
            return kQuit;
        case CTRL_CLOSE_EVENT:
            return kHangUp;
        default:  // CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT
            return kTerminate;
    }
}

BOOL WINAPI OnConsoleEvent(DWORD dwEvent) {
    int nNone = 0;
    g_nSignal.compare_exchange_strong(nNone, SignalFor(dwEvent));  // the first one counts
    SetEvent(g_hInterrupted);
    if (dwEvent == CTRL_C_EVENT || dwEvent == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    // Returning would end the process at once, before the device is told to
    // discard the transfer: the main thread ends it instead.
    Sleep(INFINITE);
    return TRUE;
}

HANDLE AutoResetEvent(HANDLE hEvent) {
    return hEvent != nullptr ? hEvent : CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

}  // namespace

CInterruptPipe::CInterruptPipe() {
    g_hInterrupted = AutoResetEvent(g_hInterrupted);
    g_hWoken = AutoResetEvent(g_hWoken);
    g_nSignal = 0;
    if (g_hInterrupted != nullptr && g_hWoken != nullptr) {
        ResetEvent(g_hInterrupted);
        ResetEvent(g_hWoken);
        SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    }
}

CInterruptPipe::~CInterruptPipe() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

int CInterruptPipe::WaitAtMost(int nMilliseconds) {
    if (g_hInterrupted == nullptr || g_hWoken == nullptr) {
        Sleep(kWithoutEventsMs);
        return 0;
    }
    const HANDLE waitFor[2] = {g_hInterrupted, g_hWoken};
    if (WaitForMultipleObjects(2, waitFor, FALSE,
                               nMilliseconds < 0 ? INFINITE : static_cast<DWORD>(nMilliseconds)) ==
        WAIT_OBJECT_0) {
        return g_nSignal.load();
    }
    return 0;
}

void CInterruptPipe::Wake() {
    if (g_hWoken != nullptr) {
        SetEvent(g_hWoken);
    }
}
