#include <windows.h>

#include <atomic>

#include "tools/vanto-flash/interrupt_pipe.h"

namespace {

// The signal numbers a POSIX terminal would send for the console's events.
constexpr int kHangUp = 1;
constexpr int kInterrupt = 2;
constexpr int kQuit = 3;
constexpr int kTerminate = 15;

// Made once and never closed: a handler may still run on its own thread
// while the instance goes.
HANDLE g_hInterrupted = nullptr;
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

}  // namespace

CInterruptPipe::CInterruptPipe() {
    if (g_hInterrupted == nullptr) {
        g_hInterrupted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    g_nSignal = 0;
    m_bReady = g_hInterrupted != nullptr && ResetEvent(g_hInterrupted) &&
               SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

CInterruptPipe::~CInterruptPipe() {
    if (m_bReady) {
        SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    }
}

int CInterruptPipe::WaitForInterrupt(int nMilliseconds) {
    if (m_nSignal != 0 || !m_bReady) {
        return m_nSignal;
    }
    if (WaitForSingleObject(g_hInterrupted, static_cast<DWORD>(nMilliseconds)) == WAIT_OBJECT_0) {
        m_nSignal = g_nSignal.load();
    }
    return m_nSignal;
}
