#include "tools/vanto-flash/interrupt_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void OnInterruptSignal(int /*nSignal*/) {
    const int nSavedErrno = errno;
    const char c = 1;
    // A full pipe already holds an unread interrupt: nothing is lost.
    [[maybe_unused]] const ssize_t nWritten = write(g_signalPipe[1], &c, 1);
    errno = nSavedErrno;
}

}  // namespace

CInterruptPipe::CInterruptPipe() {
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_bReady = sigaction(SIGINT, &action, &m_oldAction) == 0;
}

CInterruptPipe::~CInterruptPipe() {
    if (m_bReady) {
        sigaction(SIGINT, &m_oldAction, nullptr);
    }
    for (int& fd : g_signalPipe) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

bool CInterruptPipe::WaitForInterrupt(int nMilliseconds) {
    if (!m_bReady) {
        return false;
    }
    pollfd entry{g_signalPipe[0], POLLIN, 0};
    const int nReady = poll(&entry, 1, nMilliseconds);
    return nReady > 0 && (entry.revents & POLLIN) != 0;
}
