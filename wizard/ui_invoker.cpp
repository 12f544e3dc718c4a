#include "wizard/ui_invoker.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <QThread>
#include <cstdint>

CUiInvoker::CUiInvoker(QObject* pContext)
    : m_pContext(pContext), m_hWake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (m_hWake >= 0) {
        m_pNotifier = std::make_unique<QSocketNotifier>(m_hWake, QSocketNotifier::Read);
        QObject::connect(m_pNotifier.get(), &QSocketNotifier::activated, m_pContext,
                         [this] { RunQueued(); });
    }
}

CUiInvoker::~CUiInvoker() {
    Detach();
    m_pNotifier.reset();
    if (m_hWake >= 0) {
        close(m_hWake);
    }
}

bool CUiInvoker::OnContextThread() const {
    return QThread::currentThread() == m_pContext->thread();
}

bool CUiInvoker::IsDetached() const {
    std::lock_guard lock(m_mutex);
    return m_bDetached;
}

void CUiInvoker::Post(std::function<void()> fn) {
    {
        std::lock_guard lock(m_mutex);
        if (m_bDetached || m_hWake < 0) {
            return;
        }
        m_queue.push_back(std::move(fn));
    }
    const uint64_t nOne = 1;
    [[maybe_unused]] const ssize_t nWritten = write(m_hWake, &nOne, sizeof(nOne));
}

void CUiInvoker::RunQueued() {
    uint64_t nCount = 0;
    [[maybe_unused]] const ssize_t nRead = read(m_hWake, &nCount, sizeof(nCount));
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
