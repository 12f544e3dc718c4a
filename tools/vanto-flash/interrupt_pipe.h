#pragma once

#include "tools/vanto-flash/road_wait.h"

// Ctrl-C, and every other request to end, as an event the main thread can
// wait for, together with the wake-ups of the roads it watches (a road's
// procedure or a whole road has ended): one wait for both, no polling. No
// work runs in the handler: it only records the request. One instance at a
// time; the old handlers are restored on destruction.
//
// POSIX: SIGINT, SIGTERM, SIGHUP (the terminal or ssh session hung up) and
// SIGQUIT; the handler writes the signal's number into a pipe (the self-pipe
// trick), a wake-up writes a 0 into the same pipe, and the main thread
// waits in poll() on the pipe's read end.
//
// Windows: the console's control events through SetConsoleCtrlHandler, each
// reported as the signal a POSIX terminal sends for it: Ctrl-C as SIGINT (2),
// Ctrl-Break as SIGQUIT (3), the console window closed as SIGHUP (1), log-off
// and shut-down as SIGTERM (15). The handler sets an event, a wake-up sets
// another; the main thread waits for both. Windows ends the process once the
// handler of a close, log-off or shut-down returns, so that handler waits for
// the process to end by itself (the system allows it a few seconds): the
// abort road runs meanwhile.
class CInterruptPipe : public IRoadWait {
public:
    CInterruptPipe();
    ~CInterruptPipe();
    CInterruptPipe(const CInterruptPipe&) = delete;
    CInterruptPipe& operator=(const CInterruptPipe&) = delete;

    // Blocks until a signal or a wake-up came since the last return. Returns
    // the number of a signal that came since then (the first, when several
    // did), else 0. Where the handlers could not be installed no signal is
    // ever seen, and where nothing could be set up to wait on (no pipe or
    // event left in the system) the wait returns 0 after a short sleep, so
    // that the caller still looks at its roads.
    int WaitForStopOrWake() override { return WaitAtMost(-1); }
    // The same wait, that also returns 0 once nMilliseconds have passed
    // (-1: no limit); a station's rescan paces itself with it.
    int WaitAtMost(int nMilliseconds);
    // Lets the wait in progress, or else the next one, return. Any thread.
    void Wake() override;
};
