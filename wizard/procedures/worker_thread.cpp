#include "wizard/procedures/worker_thread.h"

#include <system_error>

CWorkerThread::~CWorkerThread() {
    Join();
}

bool CWorkerThread::Start(std::function<void()> fn) {
    if (IsRunning()) {
        return false;
    }
    Join();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bRunning = true;
    }
    try {
        m_thread = std::thread([this, fn = std::move(fn)] {
            fn();
            std::lock_guard<std::mutex> lock(m_lock);
            m_bRunning = false;
            m_ended.notify_all();
        });
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bRunning = false;
        return false;
    }
    return true;
}

bool CWorkerThread::IsRunning() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_bRunning;
}

bool CWorkerThread::WaitUntilEnded(std::chrono::steady_clock::time_point deadline) const {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_ended.wait_until(lock, deadline, [this] { return !m_bRunning; });
}

void CWorkerThread::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}
