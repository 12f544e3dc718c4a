#include "tests/tools/host_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace {

int MillisSince(std::chrono::steady_clock::time_point tp) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - tp)
            .count());
}

}  // namespace

CHostLine::CHostLine(const std::string& strPath) {
    m_hFd = open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (m_hFd >= 0 && tcgetattr(m_hFd, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        tcsetattr(m_hFd, TCSANOW, &tio);
    }
}

CHostLine::~CHostLine() {
    if (m_hFd >= 0) {
        close(m_hFd);
    }
}

bool CHostLine::Send(const std::vector<uint8_t>& bytes) {
    if (m_hFd < 0) {
        return false;
    }
    tcflush(m_hFd, TCIOFLUSH);
    size_t nDone = 0;
    while (nDone < bytes.size()) {
        const ssize_t n = write(m_hFd, bytes.data() + nDone, bytes.size() - nDone);
        if (n <= 0 && errno != EAGAIN) {
            return false;
        }
        nDone += n > 0 ? static_cast<size_t>(n) : 0;
    }
    return true;
}

std::vector<uint8_t> CHostLine::Receive(size_t nMaxBytes, int nFirstByteMs, int nQuietMs) {
    std::vector<uint8_t> bytes;
    const auto tpStart = std::chrono::steady_clock::now();
    while (bytes.size() < nMaxBytes) {
        const int nWait = bytes.empty() ? nFirstByteMs - MillisSince(tpStart) : nQuietMs;
        pollfd fd = {m_hFd, POLLIN, 0};
        if (nWait <= 0 || poll(&fd, 1, nWait) <= 0 || (fd.revents & POLLIN) == 0) {
            return bytes;
        }
        uint8_t nByte = 0;
        if (read(m_hFd, &nByte, 1) != 1) {
            return bytes;
        }
        bytes.push_back(nByte);
    }
    return bytes;
}

bool CHostLine::SeesHangup(int nWaitMs) {
    pollfd fd = {m_hFd, POLLIN, 0};
    if (poll(&fd, 1, nWaitMs) <= 0) {
        return false;
    }
    uint8_t nByte = 0;
    return (fd.revents & (POLLHUP | POLLERR)) != 0 || (read(m_hFd, &nByte, 1) < 0 && errno == EIO);
}

std::vector<uint8_t> CommandFrame(uint8_t nCode, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> frame = {0x0A, nCode, static_cast<uint8_t>(payload.size() >> 8),
                                  static_cast<uint8_t>(payload.size() & 0xFF)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    unsigned nSum = 0;
    for (uint8_t b : frame) {
        nSum += b;
    }
    frame.push_back(static_cast<uint8_t>((nSum >> 8) & 0xFF));
    frame.push_back(static_cast<uint8_t>(nSum & 0xFF));
    return frame;
}

std::vector<uint8_t> IdentifyFrame() {
    return CommandFrame(0x19, {'V', 'A', 'N', 'T', 'O'});
}

std::vector<uint8_t> BlockData(uint8_t nFirstByte) {
    std::vector<uint8_t> data(256);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(nFirstByte + i);
    }
    return data;
}

uint32_t BlockDataSum(uint8_t nFirstByte) {
    uint32_t dwSum = 0;
    for (uint8_t b : BlockData(nFirstByte)) {
        dwSum += b;
    }
    return dwSum;
}

std::vector<uint8_t> BlockFrame(uint8_t nSequence, uint32_t dwAddress, uint8_t nFirstByte) {
    std::vector<uint8_t> payload = {nSequence,
                                    static_cast<uint8_t>(0xFF - nSequence),
                                    static_cast<uint8_t>(dwAddress >> 24),
                                    static_cast<uint8_t>(dwAddress >> 16),
                                    static_cast<uint8_t>(dwAddress >> 8),
                                    static_cast<uint8_t>(dwAddress)};
    const std::vector<uint8_t> data = BlockData(nFirstByte);
    payload.insert(payload.end(), data.begin(), data.end());
    return CommandFrame(0x20, payload);
}

std::vector<uint8_t> CommitFrame(uint32_t dwTotal) {
    return CommandFrame(
        0x21, {'O', static_cast<uint8_t>(dwTotal >> 24), static_cast<uint8_t>(dwTotal >> 16),
               static_cast<uint8_t>(dwTotal >> 8), static_cast<uint8_t>(dwTotal)});
}

std::vector<uint8_t> AbortFrame() {
    return CommandFrame(0x21, {'C'});
}

std::vector<uint8_t> StatusReply(uint8_t nCommand, uint8_t nStatus) {
    const uint8_t nCode = nCommand | 0xC0;
    const unsigned nSum = nCode + 0x01u + nStatus;
    return {nCode,
            0x00,
            0x01,
            nStatus,
            static_cast<uint8_t>(nSum >> 8),
            static_cast<uint8_t>(nSum & 0xFF)};
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
    std::string strText;
    for (uint8_t b : bytes) {
        char sz[4];
        std::snprintf(sz, sizeof sz, "%02X ", b);
        strText += sz;
    }
    if (!strText.empty()) {
        strText.pop_back();
    }
    return strText;
}
