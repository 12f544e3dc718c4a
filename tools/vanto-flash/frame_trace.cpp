#include "tools/vanto-flash/frame_trace.h"

#include "link/result_codes.h"

CFrameTrace::CFrameTrace(std::FILE* pOut) : m_pOut(pOut) {}

void CFrameTrace::Purged(const uint8_t* pBytes, size_t nCount) {
    std::lock_guard<std::mutex> lock(m_mutex);
    PrintReply("");
    PrintLine(Clock::now(), 'x', pBytes, nCount, "");
}

void CFrameTrace::Written(const uint8_t* pBytes, size_t nCount, bool bWhole) {
    std::lock_guard<std::mutex> lock(m_mutex);
    PrintReply("");
    PrintLine(Clock::now(), '>', pBytes, nCount, bWhole ? "" : " (write failed)");
}

void CFrameTrace::Received(const uint8_t* pBytes, size_t nCount) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_reply.empty()) {
        m_tReply = Clock::now();
    }
    m_reply.insert(m_reply.end(), pBytes, pBytes + nCount);
}

void CFrameTrace::ReplyEnded(int nResult) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_reply.empty()) {
        m_tReply = Clock::now();
    }
    switch (nResult) {
        case UPD_OK:
            PrintReply("");
            break;
        case UPD_TRANSMISSION_ERROR:
            PrintReply(" (malformed)");
            break;
        default:
            PrintReply(m_reply.empty() ? " (no reply)" : " (no complete reply)");
            break;
    }
}

void CFrameTrace::PrintReply(const char* pszNote) {
    if (m_reply.empty() && *pszNote == '\0') {
        return;
    }
    PrintLine(m_tReply, '<', m_reply.data(), m_reply.size(), pszNote);
    m_reply.clear();
}

void CFrameTrace::PrintLine(Clock::time_point tWhen, char chDirection, const uint8_t* pBytes,
                            size_t nCount, const char* pszNote) {
    const double dSeconds = std::chrono::duration<double>(tWhen - m_tStart).count();
    std::fprintf(m_pOut, "[%8.3f] %c", dSeconds, chDirection);
    for (size_t i = 0; i < nCount; ++i) {
        std::fprintf(m_pOut, " %02X", pBytes[i]);
    }
    std::fprintf(m_pOut, "%s\n", pszNote);
    std::fflush(m_pOut);
}
