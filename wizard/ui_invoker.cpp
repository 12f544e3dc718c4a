#include "wizard/ui_invoker.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <memory>

bool CUiInvoker::OnContextThread() const {
    return QThread::currentThread() == m_pContext->thread();
}

bool CUiInvoker::IsDetached() const {
    std::lock_guard lock(m_mutex);
    return m_bDetached;
}

void CUiInvoker::Post(std::function<void()> fn) {
    if (IsDetached()) {
        return;
    }
    // The functor runs only while the context object is alive: Qt drops the
    // queued call together with the object.
    QMetaObject::invokeMethod(m_pContext, std::move(fn), Qt::QueuedConnection);
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
    // The flag is shared with the queued call, which may outlive this frame
    // when the invoker is detached while the call is still queued.
    auto pDone = std::make_shared<bool>(false);
    Post([this, pDone, fn = std::move(fn)] {
        if (!IsDetached()) {
            fn();
        }
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
    m_cvDone.notify_all();
}
