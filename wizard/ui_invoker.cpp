#include "wizard/ui_invoker.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

CUiInvoker::CUiInvoker(QObject* pContext)
    : m_pContext(pContext), m_pReceiver(std::make_unique<QObject>()) {
    m_pReceiver->moveToThread(pContext->thread());
}

CUiInvoker::~CUiInvoker() {
    // After Detach no worker posts any more, so the receiver may go.
    Detach();
    m_pReceiver.reset();
}

bool CUiInvoker::OnContextThread() const {
    return QThread::currentThread() == m_pContext->thread();
}

bool CUiInvoker::IsDetached() const {
    std::lock_guard lock(m_mutex);
    return m_bDetached;
}

void CUiInvoker::Post(std::function<void()> fn) {
    std::lock_guard lock(m_mutex);
    if (m_bDetached) {
        return;
    }
    m_queue.push_back(std::move(fn));
    // Under the lock: the receiver is not destroyed before Detach, which
    // takes the lock too. One wake-up per item; a wake-up that finds the
    // queue already run does nothing.
    QMetaObject::invokeMethod(
        m_pReceiver.get(), [this] { RunQueued(); }, Qt::QueuedConnection);
}

void CUiInvoker::RunQueued() {
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(m_mutex);
            if (m_bDetached || m_queue.empty()) {
                return;
            }
            fn = std::move(m_queue.front());
            m_queue.pop_front();
        }
        // May run a nested event loop (a message box), in which later wake-ups
        // run the rest of the queue.
        fn();
    }
}

void CUiInvoker::Run(std::function<void()> fn) {
    if (OnContextThread()) {
        if (!IsDetached()) {
            fn();
        }
        return;
    }
    Post(std::move(fn));
}

void CUiInvoker::RunAndWait(std::function<void()> fn) {
    if (OnContextThread()) {
        Run(std::move(fn));
        return;
    }
    // The flag is shared with the queued work, which may outlive this frame
    // when the invoker is detached while the work is still queued.
    auto pDone = std::make_shared<bool>(false);
    Post([this, pDone, fn = std::move(fn)] {
        fn();
        std::lock_guard lock(m_mutex);
        *pDone = true;
        m_cvDone.notify_all();
    });
    std::unique_lock lock(m_mutex);
    m_cvDone.wait(lock, [&] { return *pDone || m_bDetached; });
}

void CUiInvoker::Detach() {
    std::lock_guard lock(m_mutex);
    m_bDetached = true;
    m_queue.clear();
    m_cvDone.notify_all();
}
