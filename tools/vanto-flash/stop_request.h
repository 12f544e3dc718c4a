#pragma once

#include <condition_variable>
#include <mutex>

// A request to end, raised once by the thread that watches for signals and
// waited for by every device's road. The first signal raised is kept.
class CStopRequest {
public:
    void Raise(int nSignal);
    // Waits up to nMilliseconds; the signal raised (now or before), 0 when none was.
    int Wait(int nMilliseconds);

private:
    std::mutex m_lock;
    std::condition_variable m_raised;
    int m_nSignal = 0;
};
