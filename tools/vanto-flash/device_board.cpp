#include "tools/vanto-flash/device_board.h"

#include <algorithm>

#include "tools/vanto-flash/console_setup.h"
#include "tools/vanto-flash/fitted_line.h"
#include "tools/vanto-flash/progress_display.h"

namespace {

constexpr auto kMinDrawInterval = std::chrono::milliseconds(100);
constexpr int kBlockBytes = CProgressDisplay::kBlockBytes;

double SecondsSince(std::chrono::steady_clock::time_point tStart) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
}

// The ranks of a row's fields: which gives way first on a narrow terminal.
// While a run goes on its status text says only that it does; once the run
// is over the text is its result, and it stays (cut at the end if need be).
enum ERowRank { kRunningStatus = 1, kNarrowBar, kDeviceFile, kRate, kBar };

}  // namespace

CDeviceBoard::CDeviceBoard(std::FILE* pOut, bool bInteractive, bool bQuiet)
    : m_pOut(pOut), m_bInteractive(bInteractive && PrepareCursorControl()), m_bQuiet(bQuiet) {}

std::string CDeviceBoard::DeviceName(int nPort, const std::string& strDevice) {
    return "COM" + std::to_string(nPort) + " (" + strDevice + ")";
}

int CDeviceBoard::AddRow(int nPort, const std::string& strDevice, bool bShown) {
    std::lock_guard<std::mutex> lock(m_lock);
    SRow row;
    row.nPort = nPort;
    row.strDevice = strDevice;
    row.bShown = bShown;
    m_rows.push_back(row);
    return static_cast<int>(m_rows.size()) - 1;
}

std::string CDeviceBoard::RowLine(const SRow& row, int nColumns) const {
    CFittedLine line;
    line.Add("COM" + std::to_string(row.nPort), 0);
    line.Add("(" + row.strDevice + ")", kDeviceFile, " ");
    const bool bRunning = row.bProgress && row.dSeconds == 0.0;
    if (row.bProgress) {
        const double dSeconds = bRunning ? SecondsSince(row.tStart) : row.dSeconds;
        const int nPercent =
            row.nTotal > 0 ? static_cast<int>(100LL * row.nDone / row.nTotal) : 100;
        const double dKiBps =
            dSeconds > 0.0 ? row.nDone * double(kBlockBytes) / 1024.0 / dSeconds : 0.0;
        line.AddProgress(nPercent, dKiBps, kNarrowBar, kRate, kBar);
    }
    line.Add(row.strStatus, bRunning ? kRunningStatus : 0);
    return line.Fit(nColumns);
}

// The rows again, each cut to the terminal's width.
void CDeviceBoard::Redraw() {
    if (!m_bInteractive || m_bQuiet || m_bClosed) {
        return;
    }
    const int nColumns = RewriteColumns();
    std::vector<std::string> lines;
    for (const SRow& row : m_rows) {
        if (row.bShown) {
            lines.push_back(RowLine(row, nColumns));
        }
    }
    m_drawn.Draw(m_pOut, lines);
    m_tLastDraw = std::chrono::steady_clock::now();
}

// Progress comes with every block of every device: a few redraws a second do,
// and one at once after the terminal's width changed.
void CDeviceBoard::RedrawSoon() {
    if (TerminalResized() || std::chrono::steady_clock::now() - m_tLastDraw >= kMinDrawInterval) {
        Redraw();
    }
}

void CDeviceBoard::PrintScanLine(int nRow, const std::string& strLine) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_rows.at(static_cast<size_t>(nRow)).scanLines.push_back(strLine);
    PrintWaitingScanLines();
}

void CDeviceBoard::EndScan(int nRow) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_rows.at(static_cast<size_t>(nRow)).bScanOver = true;
    PrintWaitingScanLines();
}

// The lines of each row in turn, up to the first row whose scan goes on.
void CDeviceBoard::PrintWaitingScanLines() {
    std::string strText;
    for (SRow& row : m_rows) {
        for (const std::string& strLine : row.scanLines) {
            strText += strLine + "\n";
        }
        row.scanLines.clear();
        if (!row.bScanOver) {
            break;
        }
    }
    if (strText.empty() || m_bQuiet || m_bClosed) {
        return;
    }
    if (m_bInteractive) {
        m_drawn.Erase(m_pOut);
    }
    std::fputs(strText.c_str(), m_pOut);
    std::fflush(m_pOut);
    Redraw();
}

void CDeviceBoard::SetStatus(int nRow, const std::string& strText) {
    std::lock_guard<std::mutex> lock(m_lock);
    SRow& row = m_rows.at(static_cast<size_t>(nRow));
    const std::string strStatus = strText.substr(0, strText.find('\n'));
    if (strStatus != row.strStatus) {
        row.strStatus = strStatus;
        Redraw();
    }
}

void CDeviceBoard::ShowRow(int nRow) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_rows.at(static_cast<size_t>(nRow)).bShown = true;
    Redraw();
}

void CDeviceBoard::StartProgress(int nRow, int nTotal) {
    std::lock_guard<std::mutex> lock(m_lock);
    SRow& row = m_rows.at(static_cast<size_t>(nRow));
    row.bProgress = true;
    row.nDone = 0;
    row.nTotal = nTotal;
    row.nLastTenth = 0;
    row.dSeconds = 0.0;
    row.tStart = std::chrono::steady_clock::now();
    Redraw();
}

void CDeviceBoard::UpdateProgress(int nRow, int nDone) {
    std::lock_guard<std::mutex> lock(m_lock);
    SRow& row = m_rows.at(static_cast<size_t>(nRow));
    if (!row.bProgress || row.dSeconds > 0.0) {
        return;
    }
    row.nDone = std::clamp(nDone, 0, std::max(row.nTotal, 0));
    if (m_bInteractive) {
        RedrawSoon();
        return;
    }
    const int nTenth = row.nTotal > 0 ? static_cast<int>(10LL * row.nDone / row.nTotal) : 10;
    if (nTenth > row.nLastTenth && !m_bQuiet && !m_bClosed) {
        row.nLastTenth = nTenth;
        const std::string strLine =
            CProgressDisplay::LogLine(row.nDone, row.nTotal, SecondsSince(row.tStart));
        std::fprintf(m_pOut, "%s  %s\n", DeviceName(row.nPort, row.strDevice).c_str(),
                     strLine.c_str());
        std::fflush(m_pOut);
    }
}

void CDeviceBoard::StopProgress(int nRow) {
    std::lock_guard<std::mutex> lock(m_lock);
    SRow& row = m_rows.at(static_cast<size_t>(nRow));
    if (row.bProgress && row.dSeconds == 0.0) {
        row.dSeconds = std::max(SecondsSince(row.tStart), 1e-6);
    }
    Redraw();
}

void CDeviceBoard::Close() {
    std::lock_guard<std::mutex> lock(m_lock);
    for (SRow& row : m_rows) {
        row.bScanOver = true;
    }
    PrintWaitingScanLines();
    Redraw();
    m_bClosed = true;
}
