#include "tools/vanto-flash/frame_trace.h"

#include "link/update_engine.h"

namespace {

constexpr uint8_t kReplyBit = 0x80;
constexpr uint8_t kStatusBit = 0x40;

}  // namespace

CFrameTrace::CFrameTrace(const CUpdateEngine& engine, std::FILE* pOut)
    : m_engine(engine), m_pOut(pOut) {}

void CFrameTrace::AfterIdentify(bool bAnswered) {
    PrintFrame(bAnswered);
}

void CFrameTrace::AfterBlock() {
    // A call that found the image exhausted sent nothing: the frame is the
    // one printed before.
    const bool bAccepted = m_engine.m_nBlocksSent != m_nBlocksSent;
    m_nBlocksSent = m_engine.m_nBlocksSent;
    const std::vector<uint8_t> frame(m_engine.m_txFrame, m_engine.m_txFrame + m_engine.m_nFrameLen);
    if (frame != m_lastFrame || bAccepted) {
        PrintFrame(bAccepted);
    }
}

void CFrameTrace::AfterFinish() {
    const std::vector<uint8_t> frame(m_engine.m_txFrame, m_engine.m_txFrame + m_engine.m_nFrameLen);
    if (m_engine.m_nExpectedCode == CMD_FINISH && frame != m_lastFrame) {
        // A reply that came leaves its status byte in the payload, which the
        // receiver empties as it starts.
        PrintFrame(m_engine.m_bStatusPresent != 0 && m_engine.m_rxPayload[0] != 0);
    }
}

void CFrameTrace::PrintFrame(bool bAccepted) {
    m_lastFrame.assign(m_engine.m_txFrame, m_engine.m_txFrame + m_engine.m_nFrameLen);
    PrintLine('>', m_lastFrame);
    if (bAccepted) {
        PrintLine('<', AcceptedReply());
    } else {
        PrintLine('<', {});
    }
}

// The reply as the engine accepted it: code, length, payload (the status
// byte alone when the code says it leads), 16-bit sum of all of them.
std::vector<uint8_t> CFrameTrace::AcceptedReply() const {
    const bool bStatus = m_engine.m_bStatusPresent != 0;
    const uint16_t nLength = m_engine.m_nReplyLen;
    const size_t nPayload = bStatus ? (nLength > 0 ? 1 : 0) : nLength;
    std::vector<uint8_t> reply;
    reply.reserve(nPayload + 5);
    reply.push_back(
        static_cast<uint8_t>(m_engine.m_nExpectedCode | kReplyBit | (bStatus ? kStatusBit : 0)));
    reply.push_back(static_cast<uint8_t>(nLength >> 8));
    reply.push_back(static_cast<uint8_t>(nLength));
    for (size_t i = 0; i < nPayload && i < sizeof m_engine.m_rxPayload; ++i) {
        reply.push_back(m_engine.m_rxPayload[i]);
    }
    uint16_t nSum = 0;
    for (uint8_t b : reply) {
        nSum = static_cast<uint16_t>(nSum + b);
    }
    reply.push_back(static_cast<uint8_t>(nSum >> 8));
    reply.push_back(static_cast<uint8_t>(nSum));
    return reply;
}

void CFrameTrace::PrintLine(char chDirection, const std::vector<uint8_t>& bytes) {
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_tStart).count();
    std::fprintf(m_pOut, "[%8.3f] %c", dSeconds, chDirection);
    if (bytes.empty()) {
        std::fputs(" (no reply accepted)", m_pOut);
    }
    for (uint8_t b : bytes) {
        std::fprintf(m_pOut, " %02X", b);
    }
    std::fputc('\n', m_pOut);
    std::fflush(m_pOut);
}
