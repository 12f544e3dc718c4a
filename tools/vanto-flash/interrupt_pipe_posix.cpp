#include "tools/vanto-flash/interrupt_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <signal.h>

#include <cerrno>
#include <iterator>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
int g_signalPipe[2] = {-1, -1};
struct sigaction g_oldActions[std::size(kSignals)];

extern "C" void OnInterruptSignal(int nSignal) {
    const int nSavedErrno = errno;
    const char c = static_cast<char>(nSignal);
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
    m_bReady = true;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        m_bReady = sigaction(kSignals[i], &action, &g_oldActions[i]) == 0 && m_bReady;
    }
}

CInterruptPipe::~CInterruptPipe() {
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &g_oldActions[i], nullptr);
    }
    for (int& fd : g_signalPipe) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

int CInterruptPipe::WaitForInterrupt(int nMilliseconds) {
    if (m_nSignal != 0 || !m_bReady) {
        return m_nSignal;
    }
    pollfd entry{g_signalPipe[0], POLLIN, 0};
    if (poll(&entry, 1, nMilliseconds) > 0 && (entry.revents & POLLIN) != 0) {
        char c = 0;
        if (read(g_signalPipe[0], &c, 1) == 1) {
            m_nSignal = static_cast<unsigned char>(c);
        }
    }
    return m_nSignal;
}
