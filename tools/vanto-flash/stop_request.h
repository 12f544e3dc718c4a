#pragma once

#include <condition_variable>
#include <mutex>

#include "tools/vanto-flash/road_wait.h"

// What one device's road waits on when several devices are updated at once:
// a request to end, raised by the thread that watches for signals, and the
// wake-ups of the road's own procedures. The first signal raised is kept.
class CStopRequest : public IRoadWait {
public:
    // Asks the road to end; any thread.
    void Raise(int nSignal);
    // Blocks until a request was raised (now or before) or a wake-up came
    // since the last return; the signal raised, 0 for a wake-up alone.
    int WaitForStopOrWake() override;
    // Lets the wait in progress, or else the next one, return. Any thread.
    void Wake() override;

protected:
    // Raise and Wake notify m_changed under m_lock; a subclass may keep more
    // state under the same lock and wait on the same condition.
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_nSignal = 0;

private:
    bool m_bWoken = false;
};
