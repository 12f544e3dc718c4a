#include "tools/vanto-devsim/serve_loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace {

// A frame left incomplete this long is broken: the host writes each frame in
// one go, and even at 38400 baud a whole frame takes only about 70 ms.
const int kFrameIdleMs = 150;
// Longest wait for the slave's input queue to take a reply byte; a host that
// stopped reading loses the reply rather than stalling the device.
const int kWriteStallMs = 1000;
// How often the simulator looks for an opener where it cannot be told of one.
const int kNoHostPollMs = 5;

}  // namespace

CServeLoop::CServeLoop(const CDevsimOptions& options, CPtyLink* pLink, int hSignalFd)
    : m_options(options),
      m_pLink(pLink),
      m_hSignalFd(hSignalFd),
      m_session(options),
      m_pacer(options.nBaud) {}

int CServeLoop::Run() {
    for (;;) {
        pollfd fds[2] = {{m_pLink->MasterFd(), POLLIN, 0}, {m_hSignalFd, POLLIN, 0}};
        const int nReady = poll(fds, 2, m_parser.HasPending() ? kFrameIdleMs : -1);
        if (nReady < 0 && errno != EINTR) {
            std::perror("vanto-devsim: poll");
            return 1;
        }
        if (fds[1].revents != 0) {
            break;
        }
        if (nReady == 0) {
            m_parser.Expire(&m_frames);
            HandleFrames();
            continue;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            WaitForHost();
            continue;
        }
        if (m_bHangupArmed) {
            // The host began its next command after the last block it may
            // store: the device goes away now, mid-conversation.
            Log("HANGUP", true);
            m_pLink->HangUp();
            return 0;
        }
        if (!ReadAvailable()) {
            return 1;
        }
        HandleFrames();
    }
    Log(m_session.StatsLine(), false);
    return 0;
}

bool CServeLoop::ReadAvailable() {
    uint8_t abBuffer[512];
    const ssize_t nRead = read(m_pLink->MasterFd(), abBuffer, sizeof abBuffer);
    if (nRead < 0) {
        if (errno == EAGAIN || errno == EINTR || errno == EIO) {
            return true;  // EIO: the updater has just closed the port
        }
        std::perror("vanto-devsim: read");
        return false;
    }
    const auto tpRead = CWirePacer::Clock::now();
    m_session.CountReceived(static_cast<size_t>(nRead));
    for (ssize_t i = 0; i < nRead; ++i) {
        m_pacer.NoteReceived(tpRead);
        m_parser.Feed(abBuffer[i], &m_frames);
    }
    return true;
}

// No one has the port open (the master reports a hang-up until the next
// open): sleep until the slave side is opened, still ending at once on a
// signal. The opens noticed before are dropped first and the master is
// looked at after that, so an open in between is never slept through: it
// shows as a master without hang-up, and then (as where opens are not
// noticed at all) the loop looks again shortly.
void CServeLoop::WaitForHost() {
    m_pLink->ForgetOpens();
    const bool bSleep = m_pLink->OpenNoticeFd() >= 0 && m_pLink->NoOneHasItOpen();
    pollfd fds[2] = {{m_hSignalFd, POLLIN, 0}, {m_pLink->OpenNoticeFd(), POLLIN, 0}};
    poll(fds, 2, bSleep ? -1 : kNoHostPollMs);
}

void CServeLoop::HandleFrames() {
    // Frames complete within one read are answered in order; pacing waits
    // for the whole read's bytes, which only matters for a host that sends
    // without waiting for replies.
    for (const SCommandFrame& frame : m_frames) {
        m_pacer.WaitForLastArrival();
        const SDeviceAction action = m_session.Handle(frame);
        // Counted when decided, so the STATS line after a finish includes
        // the finish's own reply.
        m_session.CountSent(action.reply.size());
        if (!action.strLogLine.empty()) {
            Log(action.strLogLine, true);
        }
        if (frame.nCode == CDeviceSession::kCmdFinish &&
            frame.eKind == SCommandFrame::EKind::Good) {
            Log(m_session.StatsLine(), false);
        }
        if (!action.reply.empty()) {
            SendReply(action.reply,
                      m_options.nReplyDelayMs + (frame.nCode == CDeviceSession::kCmdWriteBlock
                                                     ? m_options.nBlockReplyDelayMs
                                                     : 0));
        }
        if (m_session.HangupDue()) {
            m_bHangupArmed = true;
        }
    }
    m_frames.clear();
}

void CServeLoop::SendReply(const std::vector<uint8_t>& reply, unsigned nDelayMs) {
    // The device starts its reply a fixed delay after the command's last byte
    // arrived. The deadlines are absolute, so the host's measured time is not
    // stretched by how late this process's own sleeps wake up.
    const auto tpStart = m_pacer.LastArrival() + std::chrono::milliseconds(nDelayMs);
    CWirePacer::SleepUntil(tpStart);
    if (!m_pacer.IsPacing()) {
        WriteAll(reply.data(), reply.size());
        return;
    }
    // Each byte reaches the host only once its ten bits have crossed the wire.
    auto tpNext = std::max(tpStart, CWirePacer::Clock::now() - m_pacer.ByteTime());
    for (uint8_t nByte : reply) {
        tpNext += m_pacer.ByteTime();
        CWirePacer::SleepUntil(tpNext);
        if (!WriteAll(&nByte, 1)) {
            return;
        }
    }
}

bool CServeLoop::WriteAll(const uint8_t* pBytes, size_t nCount) {
    while (nCount > 0) {
        const ssize_t nWritten = write(m_pLink->MasterFd(), pBytes, nCount);
        if (nWritten > 0) {
            pBytes += nWritten;
            nCount -= static_cast<size_t>(nWritten);
            continue;
        }
        if (nWritten < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        pollfd fd = {m_pLink->MasterFd(), POLLOUT, 0};
        if (poll(&fd, 1, kWriteStallMs) <= 0) {
            return false;
        }
    }
    return true;
}

void CServeLoop::Log(const std::string& strLine, bool bCommandLine) const {
    if (bCommandLine && m_options.bQuiet) {
        return;
    }
    std::printf("%s\n", strLine.c_str());
    std::fflush(stdout);
}
