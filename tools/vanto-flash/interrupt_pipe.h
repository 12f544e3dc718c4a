#pragma once

#include <signal.h>

// Ctrl-C as an event the road can wait for: the SIGINT handler only writes a
// byte into a pipe (the self-pipe trick), and the main thread polls the
// pipe's read end between looks at its workers. No work runs in the handler.
// One instance at a time; the old handler is restored on destruction.
class CInterruptPipe {
public:
    CInterruptPipe();
    ~CInterruptPipe();
    CInterruptPipe(const CInterruptPipe&) = delete;
    CInterruptPipe& operator=(const CInterruptPipe&) = delete;

    bool IsReady() const { return m_bReady; }
    // Waits up to nMilliseconds; true when Ctrl-C was pressed (now or before).
    bool WaitForInterrupt(int nMilliseconds);

private:
    bool m_bReady = false;
    struct sigaction m_oldAction {};
};
