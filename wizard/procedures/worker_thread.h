#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// The worker thread of a procedure: started per scan or run, watched by the
// user-interface thread, waited for with a deadline when the user leaves.
class CWorkerThread {
public:
    CWorkerThread() = default;
    // Waits for a worker that is still running.
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Runs fn on a new thread. Reaps the thread of an earlier fn that has
    // returned first. False, and nothing runs, while an earlier fn still runs
    // or when no thread can be created. Not on the worker itself.
    bool Start(std::function<void()> fn);
    // True from a successful Start until its fn has returned. Any thread.
    bool IsRunning() const;
    // Waits until fn has returned or the deadline has passed; true when no
    // fn is running any more. The thread is not reaped. Any thread but the
    // worker.
    bool WaitUntilEnded(std::chrono::steady_clock::time_point deadline) const;
    // Waits until fn has returned and reaps the thread; returns at once when
    // none was started. Not on the worker itself.
    void Join();

private:
    std::thread m_thread;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_ended;
    bool m_bRunning = false;  // guarded by m_lock
};
