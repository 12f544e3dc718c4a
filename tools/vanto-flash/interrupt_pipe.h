#pragma once

#include <signal.h>

// Ctrl-C, and every other request to end (SIGTERM, a hang-up of the terminal
// or ssh session, SIGQUIT), as an event the road can wait for: the handler
// only writes the signal's number into a pipe (the self-pipe trick), and the
// main thread polls the pipe's read end between looks at its workers. No work
// runs in the handler. One instance at a time; the old handlers are restored
// on destruction.
class CInterruptPipe {
public:
    CInterruptPipe();
    ~CInterruptPipe();
    CInterruptPipe(const CInterruptPipe&) = delete;
    CInterruptPipe& operator=(const CInterruptPipe&) = delete;

    bool IsReady() const { return m_bReady; }
    // Waits up to nMilliseconds; the number of the signal that came (now or
    // before), 0 when none did.
    int WaitForInterrupt(int nMilliseconds);

    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

private:
    bool m_bReady = false;
    int m_nSignal = 0;
    struct sigaction m_oldActions[sizeof kSignals / sizeof kSignals[0]]{};
};
