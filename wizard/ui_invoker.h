#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

class QObject;

// Carries work from worker threads to the user-interface thread, which owns
// every widget. Work is queued to the thread of a context object, so it runs
// in the order it was handed over. Once detached (the owner is going away)
// no more work is queued and every caller still waiting is let go, so a
// worker that is being joined can never hang on a widget that will not
// answer any more.
class CUiInvoker {
public:
    explicit CUiInvoker(QObject* pContext) : m_pContext(pContext) {}
    CUiInvoker(const CUiInvoker&) = delete;
    CUiInvoker& operator=(const CUiInvoker&) = delete;

    // Runs fn at once when called on the user-interface thread, else queues it.
    void Run(std::function<void()> fn);
    // Always queues fn, also on the user-interface thread: it runs after the
    // current handler has returned.
    void Post(std::function<void()> fn);
    // Runs fn on the user-interface thread and returns once it has returned
    // (or once the invoker is detached). Runs fn directly on that thread.
    void RunAndWait(std::function<void()> fn);

    // Stops queueing and releases every waiting caller. User-interface thread.
    void Detach();
    bool IsDetached() const;

private:
    bool OnContextThread() const;

    QObject* m_pContext;
    mutable std::mutex m_mutex;
    std::condition_variable m_cvDone;
    bool m_bDetached = false;
};
