#include "tests/support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>

PtyPair::PtyPair() {
    char szName[128] = {};
    if (openpty(&m_nMaster, &m_nSlave, szName, nullptr, nullptr) != 0) {
        return;  // SlavePath() stays empty
    }
    fcntl(m_nMaster, F_SETFD, FD_CLOEXEC);  // a second process must not inherit them
    fcntl(m_nSlave, F_SETFD, FD_CLOEXEC);
    termios t{};  // the line's settings, which both ends share
    tcgetattr(m_nSlave, &t);
    cfmakeraw(&t);
    tcsetattr(m_nSlave, TCSANOW, &t);
    m_strSlavePath = szName;
}

PtyPair::~PtyPair() {
    CloseMaster();
    CloseSlave();
}

void PtyPair::CloseSlave() {
    close(std::exchange(m_nSlave, -1));  // closing -1 does nothing
}

bool PtyPair::WriteMaster(const std::vector<uint8_t>& bytes) {
    for (size_t nDone = 0; nDone < bytes.size();) {
        const ssize_t n = write(m_nMaster, bytes.data() + nDone, bytes.size() - nDone);
        if (n <= 0) {
            return false;
        }
        nDone += static_cast<size_t>(n);
    }
    return true;
}

std::vector<uint8_t> PtyPair::ReadMaster(size_t nCount, int nTimeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    std::vector<uint8_t> bytes;
    uint8_t buffer[512];
    while (bytes.size() < nCount && m_nMaster >= 0) {
        pollfd fd{m_nMaster, POLLIN, 0};
        const auto nLeft = (deadline - Clock::now()) / std::chrono::milliseconds(1);
        ssize_t n = 0;  // stays 0 on a time-out or when the slave side hung up
        if (nLeft > 0 && poll(&fd, 1, static_cast<int>(nLeft)) > 0 && (fd.revents & POLLIN)) {
            n = read(m_nMaster, buffer, std::min(nCount - bytes.size(), sizeof buffer));
        }
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

void PtyPair::CloseMaster() {
    close(std::exchange(m_nMaster, -1));
}
