#pragma once

// How a device's road waits while a procedure's worker runs: for a request to
// end (Ctrl-C, a signal) or for a wake-up, which the road asks for when one
// of its procedures has ended. Either may come before the wait begins: it
// is kept until a wait has seen it, so no wake-up is lost between the
// road's look at its procedure and the wait.
class IRoadWait {
public:
    // Blocks until a request to end or a wake-up is there. Returns the number
    // of the signal that asked to end, 0 for a wake-up alone. A wake-up is
    // taken by the wait that returns it; a request to end may be returned
    // again by the next wait.
    virtual int WaitForStopOrWake() = 0;
    // Lets the wait in progress, or else the next one, return. Any thread.
    virtual void Wake() = 0;

protected:
    ~IRoadWait() = default;
};
