#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <iterator>
#include <thread>

#include "tools/vanto-flash/interrupt_pipe.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
// Where no pipe could be made, how long a wait sleeps before its caller
// looks at its roads again.
constexpr auto kWithoutPipe = std::chrono::milliseconds(20);
int g_signalPipe[2] = {-1, -1};
struct sigaction g_oldActions[std::size(kSignals)];
bool g_bHandlersSet = false;

// One byte into the pipe: a signal's number, or 0 for a wake-up. A full pipe
// already holds unread bytes that end the next wait: nothing is lost.
void PutByte(char c) {
    [[maybe_unused]] const ssize_t nWritten = write(g_signalPipe[1], &c, 1);
}

extern "C" void OnInterruptSignal(int nSignal) {
    const int nSavedErrno = errno;
    PutByte(static_cast<char>(nSignal));
    errno = nSavedErrno;
}

}  // namespace

CInterruptPipe::CInterruptPipe() {
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_signalPipe[0] = g_signalPipe[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &g_oldActions[i]);
    }
    g_bHandlersSet = true;
}

CInterruptPipe::~CInterruptPipe() {
    if (g_bHandlersSet) {
        for (size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &g_oldActions[i], nullptr);
        }
        g_bHandlersSet = false;
    }
    for (int& fd : g_signalPipe) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

int CInterruptPipe::WaitAtMost(int nMilliseconds) {
    if (g_signalPipe[0] < 0) {
        std::this_thread::sleep_for(kWithoutPipe);
        return 0;
    }
    pollfd entry{g_signalPipe[0], POLLIN, 0};
    while (poll(&entry, 1, nMilliseconds) < 0 && errno == EINTR) {
        // A signal came: its byte is in the pipe, read below.
    }
    // Everything that came, signals and wake-ups alike: one wait takes them all.
    int nSignal = 0;
    char abBytes[64];
    ssize_t nRead = 0;
    while ((nRead = read(g_signalPipe[0], abBytes, sizeof abBytes)) > 0) {
        for (ssize_t i = 0; i < nRead && nSignal == 0; ++i) {
            nSignal = static_cast<unsigned char>(abBytes[i]);
        }
    }
    return nSignal;
}

void CInterruptPipe::Wake() {
    if (g_signalPipe[1] >= 0) {
        PutByte(0);
    }
}
