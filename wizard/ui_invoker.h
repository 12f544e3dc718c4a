#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

// Carries work from worker threads to the user-interface thread, which owns
// every widget. Work is queued in the order it was handed over and run on
// the thread of a context object.
//
// A worker puts the work into this object's own queue under its own lock and
// wakes the user-interface thread with a queued call to a receiver object
// that lives there; the queue keeps the order. So every hand-over is ordered
// by a lock both sides take, which also keeps it visible to the thread
// checker, and a worker never touches a widget.
//
// Once detached (the owner is going away) no more work is queued and every
// caller still waiting is let go, so a worker that is being joined can never
// hang on a widget that will not answer any more.
class CUiInvoker {
public:
    // Constructed on the user-interface thread, the context's thread.
    explicit CUiInvoker(QObject* pContext);
    ~CUiInvoker();
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
    // User-interface thread: runs everything queued so far, in order.
    void RunQueued();

    QObject* m_pContext;
    // Lives on the context's thread; the wake-ups are queued calls to it, and
    // its destruction drops those still pending.
    std::unique_ptr<QObject> m_pReceiver;
    mutable std::mutex m_mutex;
    std::condition_variable m_cvDone;
    std::deque<std::function<void()>> m_queue;
    bool m_bDetached = false;
};
