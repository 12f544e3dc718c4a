#include "tests/procedures/silent_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

CSilentPeer::CSilentPeer() {
    char szName[128] = {};
    if (openpty(&m_nMaster, &m_nSlaveHold, szName, nullptr, nullptr) != 0 ||
        pipe2(m_nWake, O_CLOEXEC) != 0) {
        throw std::runtime_error("openpty failed");
    }
    fcntl(m_nMaster, F_SETFD, FD_CLOEXEC);
    fcntl(m_nSlaveHold, F_SETFD, FD_CLOEXEC);
    m_strSlavePath = szName;
    m_thread = std::thread(&CSilentPeer::Drain, this);
}

CSilentPeer::~CSilentPeer() {
    const char c = 0;
    [[maybe_unused]] const ssize_t n = write(m_nWake[1], &c, 1);
    m_thread.join();
    close(m_nWake[0]);
    close(m_nWake[1]);
    close(m_nSlaveHold);
    close(m_nMaster);
}

void CSilentPeer::Drain() {
    unsigned char abBuffer[512];
    for (;;) {
        pollfd fds[2] = {{m_nMaster, POLLIN, 0}, {m_nWake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const ssize_t n = read(m_nMaster, abBuffer, sizeof(abBuffer));
            if (n > 0) {
                m_nBytes += n;
            }
        }
    }
}

bool CSilentPeer::WaitForBytes(long nBytes, int nTimeoutMs) const {
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (m_nBytes.load() < nBytes) {
        if (std::chrono::steady_clock::now() > tEnd) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
