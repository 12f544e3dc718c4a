#include "tools/vanto-flash/stop_request.h"

#include <chrono>

void CStopRequest::Raise(int nSignal) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_nSignal == 0) {
            m_nSignal = nSignal;
        }
    }
    m_raised.notify_all();
}

int CStopRequest::Wait(int nMilliseconds) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_raised.wait_for(lock, std::chrono::milliseconds(nMilliseconds),
                      [this] { return m_nSignal != 0; });
    return m_nSignal;
}
