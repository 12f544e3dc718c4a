#include "tools/vanto-flash/station/station_board.h"

#include <algorithm>

#include "tools/vanto-flash/console_setup.h"
#include "tools/vanto-flash/fitted_line.h"

namespace {

constexpr auto kMinDrawInterval = std::chrono::milliseconds(100);
constexpr double kBlockKiB = 256.0 / 1024.0;

// The ranks of a row's fields: which gives way first on a narrow terminal.
enum ERowRank { kDetail = 1, kNarrowBar, kDeviceFile, kRate, kBar };

const char* StateName(EPortState eState) {
    switch (eState) {
        case EPortState::Waiting:
            return "waiting";
        case EPortState::Probing:
            return "probing";
        case EPortState::Updating:
            return "updating";
        case EPortState::Done:
            return "done";
        case EPortState::Failed:
            return "failed";
        case EPortState::Gone:
            break;
    }
    return "gone";
}

// A port ready for the next device: none is being updated or waited for.
bool IsWaiting(EPortState eState) {
    return eState == EPortState::Waiting || eState == EPortState::Probing ||
           eState == EPortState::Gone;
}

}  // namespace

CStationBoard::CStationBoard(std::FILE* pOut, bool bInteractive, bool bQuiet)
    : m_pOut(pOut), m_bInteractive(bInteractive && PrepareCursorControl()), m_bQuiet(bQuiet) {}

std::string CStationBoard::PortName(int nPort, const std::string& strDevice) {
    const std::string strPort = "COM" + std::to_string(nPort);
    return strDevice.empty() ? strPort : strPort + " (" + strDevice + ")";
}

void CStationBoard::AddRow(int nPort, const std::string& strDevice) {
    std::lock_guard<std::mutex> lock(m_lock);
    SRow row;
    row.nPort = nPort;
    row.strDevice = strDevice;
    m_rows.push_back(row);
}

CStationBoard::SRow* CStationBoard::Find(int nPort) {
    for (SRow& row : m_rows) {
        if (row.nPort == nPort) {
            return &row;
        }
    }
    return nullptr;
}

std::string CStationBoard::RowLine(const SRow& row, int nColumns) const {
    CFittedLine line;
    line.Add("COM" + std::to_string(row.nPort), 0);
    if (!row.strDevice.empty()) {
        line.Add("(" + row.strDevice + ")", kDeviceFile, " ");
    }
    line.Add(StateName(row.eState), 0);
    if (row.eState == EPortState::Updating) {
        const double dSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - row.tStart).count();
        const int nPercent = row.nTotal > 0 ? static_cast<int>(100LL * row.nDone / row.nTotal) : 0;
        line.AddProgress(nPercent, dSeconds > 0.0 ? row.nDone * kBlockKiB / dSeconds : 0.0,
                         kNarrowBar, kRate, kBar);
    }
    if (!row.strDetail.empty()) {
        // A failure's text stays (cut at the end); other details give way.
        line.Add(row.strDetail, row.eState == EPortState::Failed ? 0 : kDetail);
    }
    return line.Fit(nColumns);
}

std::string CStationBoard::CountLine() const {
    const auto nWaiting = std::count_if(m_rows.begin(), m_rows.end(),
                                        [](const SRow& row) { return IsWaiting(row.eState); });
    return std::to_string(m_nUpdated) + " updated, " + std::to_string(m_nFailed) + " failed, " +
           std::to_string(nWaiting) + (nWaiting == 1 ? " port" : " ports") + " waiting";
}

// The port rows and the count under them, each cut to the terminal's width.
void CStationBoard::Redraw() {
    if (!m_bInteractive || m_bQuiet || m_bClosed) {
        return;
    }
    const int nColumns = RewriteColumns();
    std::vector<std::string> lines;
    for (const SRow& row : m_rows) {
        lines.push_back(RowLine(row, nColumns));
    }
    CFittedLine count;
    count.Add(CountLine(), 0);
    lines.push_back(count.Fit(nColumns));
    m_drawn.Draw(m_pOut, lines);
    m_tLastDraw = std::chrono::steady_clock::now();
}

void CStationBoard::PrintLine(std::FILE* pStream, const std::string& strLine) {
    if (m_bClosed) {
        return;
    }
    if (m_bInteractive && !m_bQuiet) {
        m_drawn.Erase(m_pOut);
        std::fflush(m_pOut);
    }
    std::fprintf(pStream, "%s\n", strLine.c_str());
    std::fflush(pStream);
    Redraw();
}

void CStationBoard::SetState(int nPort, const std::string& strDevice, EPortState eState,
                             const std::string& strDetail) {
    std::lock_guard<std::mutex> lock(m_lock);
    SRow* pRow = Find(nPort);
    if (pRow == nullptr || (pRow->eState == eState && pRow->strDetail == strDetail &&
                            (strDevice.empty() || strDevice == pRow->strDevice))) {
        return;
    }
    pRow->eState = eState;
    pRow->strDetail = strDetail;
    pRow->strDevice = strDevice.empty() ? pRow->strDevice : strDevice;
    if (eState == EPortState::Updating) {
        pRow->nDone = 0;
        pRow->tStart = std::chrono::steady_clock::now();
    }
    // Done and Failed come with the attempt's result line.
    const bool bResult = eState == EPortState::Done || eState == EPortState::Failed;
    if (!m_bInteractive && !m_bQuiet && !bResult) {
        const std::string strWhy = strDetail.empty() ? "" : ": " + strDetail;
        PrintLine(m_pOut, PortName(nPort, pRow->strDevice) + ": " + StateName(eState) + strWhy);
    } else {
        Redraw();
    }
}

void CStationBoard::SetProgress(int nPort, uint32_t nBlocksSent, int nBlockTotal) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (SRow* pRow = Find(nPort)) {
        pRow->nDone = nBlocksSent;
        pRow->nTotal = nBlockTotal;
        if (TerminalResized() ||
            std::chrono::steady_clock::now() - m_tLastDraw >= kMinDrawInterval) {
            Redraw();
        }
    }
}

void CStationBoard::PrintResult(const std::string& strLine, bool bUpdated, int nUpdated,
                                int nFailed) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_nUpdated = nUpdated;
    m_nFailed = nFailed;
    if (!bUpdated || !m_bQuiet) {
        PrintLine(bUpdated ? m_pOut : stderr, strLine);
    }
}

void CStationBoard::Tick() {
    std::lock_guard<std::mutex> lock(m_lock);
    Redraw();
}

void CStationBoard::Close() {
    std::lock_guard<std::mutex> lock(m_lock);
    Redraw();
    m_bClosed = true;
}
