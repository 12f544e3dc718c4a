#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "tools/vanto-flash/console_setup.h"

namespace {

// Set by the handler, taken by TerminalResized: a lock-free atomic is safe in
// a signal handler.
std::atomic<bool> g_bResized{false};

extern "C" void OnWindowChange(int) {
    g_bResized.store(true);
}

}  // namespace

void PrepareStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free number, which is fd: those below it are taken.
            [[maybe_unused]] const int nOpened = open("/dev/null", O_RDWR);
        }
    }
    signal(SIGPIPE, SIG_IGN);
}

bool IsInteractiveOutput() {
    return isatty(STDOUT_FILENO) != 0;
}

bool PrepareCursorControl() {
    return true;  // a terminal here takes the VT100 movements
}

int TerminalColumns() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

int RewriteColumns() {
    return std::max(TerminalColumns() - 1, 1);
}

void WatchTerminalWidth() {
    struct sigaction action {};
    action.sa_handler = OnWindowChange;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);
}

bool TerminalResized() {
    return g_bResized.exchange(false);
}
