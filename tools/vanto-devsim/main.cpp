// vanto-devsim: a VANTO device in update mode, played on a pseudo-terminal.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/vanto-devsim/devsim_options.h"
#include "tools/vanto-devsim/pty_link.h"
#include "tools/vanto-devsim/serve_loop.h"
#include "version.h"

namespace {

// The stop signals are blocked and read from a signalfd in the serve loop's
// poll set: a stop is noticed between replies, never in the middle of one,
// and the symlink is always removed on the way out.
int OpenStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        return -1;
    }
    return signalfd(-1, &signals, SFD_CLOEXEC);
}

}  // namespace

int main(int argc, char** argv) {
    CDevsimOptions options;
    std::string strError;
    switch (
        ParseDevsimOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &strError)) {
        case EParseOutcome::Help:
            std::fputs(kDevsimHelp, stdout);
            return 0;
        case EParseOutcome::Version:
            std::puts("vanto-devsim " VANTO_VERSION);
            return 0;
        case EParseOutcome::Error:
            std::fprintf(stderr, "vanto-devsim: %s (see --help)\n", strError.c_str());
            return 2;
        case EParseOutcome::Run:
            break;
    }
    signal(SIGPIPE, SIG_IGN);
    const int hSignalFd = OpenStopSignals();
    if (hSignalFd < 0) {
        std::perror("vanto-devsim: signalfd");
        return 1;
    }
    CPtyLink link;
    if (!link.Create(options.strLinkPath, &strError)) {
        std::fprintf(stderr, "vanto-devsim: %s\n", strError.c_str());
        return 1;
    }
    std::printf("listening on %s (%s)\n", link.LinkPath().c_str(), link.SlavePath().c_str());
    std::fflush(stdout);
    CServeLoop loop(options, &link, hSignalFd);
    const int nExit = loop.Run();
    link.HangUp();
    close(hSignalFd);
    return nExit;
}
