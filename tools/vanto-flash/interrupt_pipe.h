#pragma once

// Ctrl-C, and every other request to end, as an event the road can wait for.
// No work runs in the handler: it only records the request, and the main
// thread looks for it between looks at its workers. One instance at a time;
// the old handlers are restored on destruction.
//
// POSIX: SIGINT, SIGTERM, SIGHUP (the terminal or ssh session hung up) and
// SIGQUIT; the handler writes the signal's number into a pipe (the self-pipe
// trick) and the main thread polls the pipe's read end.
//
// Windows: the console's control events through SetConsoleCtrlHandler, each
// reported as the signal a POSIX terminal sends for it: Ctrl-C as SIGINT (2),
// Ctrl-Break as SIGQUIT (3), the console window closed as SIGHUP (1), log-off
// and shut-down as SIGTERM (15). The handler sets an event the main thread
// waits on. Windows ends the process once the handler of a close, log-off or
// shut-down returns, so that handler waits for the process to end by itself
// (the system allows it a few seconds): the abort road runs meanwhile.
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

private:
    bool m_bReady = false;
    int m_nSignal = 0;
};
