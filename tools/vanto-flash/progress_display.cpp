#include "tools/vanto-flash/progress_display.h"

#include <algorithm>

#include "tools/vanto-flash/console_setup.h"
#include "tools/vanto-flash/fitted_line.h"
#include "tools/vanto-flash/text_format.h"

namespace {

constexpr auto kMinLineInterval = std::chrono::milliseconds(100);

struct SRate {
    int nPercent;
    std::string strBytes;  // "2,560/5,376 bytes"
    std::string strRate;   // "3.6 KiB/s"
};

SRate RateOf(int nDone, int nTotal, double dSeconds) {
    const uint64_t nBytes = static_cast<uint64_t>(nDone) * CProgressDisplay::kBlockBytes;
    const uint64_t nTotalBytes = static_cast<uint64_t>(nTotal) * CProgressDisplay::kBlockBytes;
    const double dKiBps = dSeconds > 0.0 ? static_cast<double>(nBytes) / 1024.0 / dSeconds : 0.0;
    char szRate[32];
    std::snprintf(szRate, sizeof szRate, "%.1f KiB/s", dKiBps);
    const int nPercent = nTotal > 0 ? static_cast<int>(100LL * nDone / nTotal) : 100;
    return {nPercent, WithThousands(nBytes) + "/" + WithThousands(nTotalBytes) + " bytes", szRate};
}

}  // namespace

std::string CProgressDisplay::InteractiveLine(int nDone, int nTotal, double dSeconds,
                                              int nColumns) {
    const SRate rate = RateOf(nDone, nTotal, dSeconds);
    std::string strLeft = "--:--";
    if (nDone > 0 && dSeconds > 0.0) {
        strLeft = Clock(dSeconds * (nTotal - nDone) / nDone);
    }
    char szPercent[16];
    std::snprintf(szPercent, sizeof szPercent, "%3d%%", rate.nPercent);
    // The ranks: which field gives way first on a narrow terminal.
    enum { kBytes = 1, kNarrowBar, kElapsed, kBlocks, kRate, kBar, kLeft };
    CFittedLine line;
    line.AddBar(rate.nPercent, kBarWidth, kMinBarWidth, kNarrowBar, kBar);
    line.Add(szPercent, 0, " ");
    line.Add(std::to_string(nDone) + "/" + std::to_string(nTotal) + " blocks", kBlocks);
    line.Add(rate.strBytes, kBytes);
    line.Add(rate.strRate, kRate);
    line.Add(Clock(dSeconds) + " elapsed", kElapsed);
    line.Add(strLeft + " left", kLeft);
    return line.Fit(nColumns);
}

std::string CProgressDisplay::LogLine(int nDone, int nTotal, double dSeconds) {
    const SRate rate = RateOf(nDone, nTotal, dSeconds);
    char szHead[64];
    std::snprintf(szHead, sizeof szHead, "Block %d/%d  %d%%  ", nDone, nTotal, rate.nPercent);
    return szHead + rate.strBytes + "  " + rate.strRate + "  " + Clock(dSeconds);
}

double CProgressDisplay::Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_tStart).count();
}

void CProgressDisplay::Start(int nTotal) {
    m_nTotal = nTotal;
    m_nLastTenth = 0;
    m_nLastWidth = 0;
    m_bActive = true;
    m_tStart = std::chrono::steady_clock::now();
    if (m_bInteractive) {
        Update(0);
    }
}

void CProgressDisplay::Update(int nDone) {
    if (!m_bActive) {
        return;
    }
    nDone = std::clamp(nDone, 0, std::max(m_nTotal, 0));
    if (m_bInteractive) {
        Redraw(nDone);
        return;
    }
    const int nTenth = m_nTotal > 0 ? static_cast<int>(10LL * nDone / m_nTotal) : 10;
    if (nTenth > m_nLastTenth) {
        m_nLastTenth = nTenth;
        std::fprintf(m_pOut, "%s\n", LogLine(nDone, m_nTotal, Elapsed()).c_str());
        std::fflush(m_pOut);
    }
}

void CProgressDisplay::Redraw(int nDone) {
    // A fast device would flood the terminal: a few lines a second do, and
    // at once after the terminal's width changed.
    const auto tNow = std::chrono::steady_clock::now();
    const bool bResized = TerminalResized();
    if (!bResized && nDone != 0 && nDone < m_nTotal && tNow - m_tLastLine < kMinLineInterval) {
        return;
    }
    m_tLastLine = tNow;
    // "\r" returns to the start of the line; blanks wipe what is left of a
    // longer old line, up to the width (the rest went with the width).
    const int nColumns = RewriteColumns();
    const std::string strLine = InteractiveLine(nDone, m_nTotal, Elapsed(), nColumns);
    const size_t nOld = std::min(m_nLastWidth, static_cast<size_t>(nColumns));
    const size_t nWipe = nOld > strLine.size() ? nOld - strLine.size() : 0;
    std::fprintf(m_pOut, "\r%s%s", strLine.c_str(), std::string(nWipe, ' ').c_str());
    m_nLastWidth = strLine.size();
    std::fflush(m_pOut);
}

void CProgressDisplay::Stop() {
    if (m_bActive && m_bInteractive) {
        std::fputc('\n', m_pOut);
        std::fflush(m_pOut);
    }
    m_bActive = false;
}
