#include "tools/vanto-flash/stop_request.h"

void CStopRequest::Raise(int nSignal) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_nSignal == 0) {
            m_nSignal = nSignal;
        }
    }
    m_changed.notify_all();
}

int CStopRequest::WaitForStopOrWake() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_nSignal != 0 || m_bWoken; });
    m_bWoken = false;
    return m_nSignal;
}

void CStopRequest::Wake() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bWoken = true;
    }
    m_changed.notify_all();
}
