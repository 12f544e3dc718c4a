#include "tools/vanto-flash/progress_display.h"

#include <algorithm>

void CProgressDisplay::Start(int nTotal) {
    m_nTotal = nTotal;
    m_nLastTenth = 0;
    m_bActive = true;
    m_tStart = std::chrono::steady_clock::now();
    if (m_bInteractive) {
        PrintLine(0);
    }
}

void CProgressDisplay::Update(int nDone) {
    if (!m_bActive) {
        return;
    }
    nDone = std::clamp(nDone, 0, std::max(m_nTotal, 0));
    if (m_bInteractive) {
        PrintLine(nDone);
        return;
    }
    const int nTenth = m_nTotal > 0 ? nDone * 10 / m_nTotal : 10;
    if (nTenth > m_nLastTenth) {
        m_nLastTenth = nTenth;
        PrintLine(nDone);
    }
}

void CProgressDisplay::Stop() {
    if (m_bActive && m_bInteractive) {
        std::fputc('\n', m_pOut);
        std::fflush(m_pOut);
    }
    m_bActive = false;
}

void CProgressDisplay::PrintLine(int nDone) {
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_tStart).count();
    const long nBytesPerSecond =
        dSeconds > 0.0 ? static_cast<long>(nDone * static_cast<double>(kBlockBytes) / dSeconds) : 0;
    const long nWhole = static_cast<long>(dSeconds);
    // "\r" returns to the start of the line; the blanks wipe a longer old line.
    std::fprintf(m_pOut, "%sBlock %d/%d  %ld B/s  %ld:%02ld%s", m_bInteractive ? "\r" : "", nDone,
                 m_nTotal, nBytesPerSecond, nWhole / 60, nWhole % 60,
                 m_bInteractive ? "   " : "\n");
    std::fflush(m_pOut);
}
