#include "tests/support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

void MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
}

}  // namespace

PtyPair::PtyPair() {
    char szName[128] = {};
    if (openpty(&m_nMaster, &m_nSlave, szName, nullptr, nullptr) != 0) {
        m_nMaster = m_nSlave = -1;
        return;
    }
    // Children (a second process that tries the port) must not inherit them.
    fcntl(m_nMaster, F_SETFD, FD_CLOEXEC);
    fcntl(m_nSlave, F_SETFD, FD_CLOEXEC);
    MakeRaw(m_nSlave);
    MakeRaw(m_nMaster);
    m_strSlavePath = szName;
}

PtyPair::~PtyPair() {
    CloseMaster();
    if (m_nSlave >= 0) {
        close(m_nSlave);
    }
}

bool PtyPair::WriteMaster(const std::vector<uint8_t>& bytes) {
    return WriteMaster(bytes.data(), bytes.size());
}

bool PtyPair::WriteMaster(const void* pBytes, size_t nCount) {
    const auto* p = static_cast<const uint8_t*>(pBytes);
    while (nCount > 0) {
        const ssize_t n = write(m_nMaster, p, nCount);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        nCount -= static_cast<size_t>(n);
    }
    return true;
}

std::vector<uint8_t> PtyPair::ReadMaster(size_t nCount, int nTimeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    std::vector<uint8_t> bytes;
    while (bytes.size() < nCount && m_nMaster >= 0) {
        const auto nLeft =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (nLeft <= 0) {
            break;
        }
        pollfd fd{m_nMaster, POLLIN, 0};
        const int nReady = poll(&fd, 1, static_cast<int>(nLeft));
        if (nReady < 0 && errno == EINTR) {
            continue;
        }
        if (nReady <= 0 || (fd.revents & POLLIN) == 0) {
            break;  // time-out, or the slave side is hung up / gone
        }
        uint8_t buffer[512];
        const size_t nWant =
            nCount - bytes.size() < sizeof buffer ? nCount - bytes.size() : sizeof buffer;
        const ssize_t n = read(m_nMaster, buffer, nWant);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

void PtyPair::CloseMaster() {
    if (m_nMaster >= 0) {
        close(m_nMaster);
        m_nMaster = -1;
    }
}
