#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "tools/vanto-flash/console_setup.h"

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
