#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "tools/vanto-flash/rewritten_lines.h"
#include "tools/vanto-flash/station/station_listener.h"

// What a station shows while it runs. On a terminal: one row per port at the
// bottom, rewritten in place (port, device file, state: waiting, probing,
// updating with the bar, percent and rate, done, failed with the text,
// gone), and under them the running count, "12 updated, 1 failed, 3 ports
// waiting"; each row fitted to the terminal's width (CFittedLine). Each
// attempt's result line is printed above the rows, as a history. Otherwise
// (a log file, a pipe, the journal): one line per event, a port's new state
// or an attempt's result. Quiet shows the failures' result lines alone.
// Result lines of failures go to standard error, all else to pOut. Every
// call takes the board's lock, so lines never mix.
class CStationBoard {
public:
    CStationBoard(std::FILE* pOut, bool bInteractive, bool bQuiet);

    // A row for COMn, its device file as far as known; before the ports start.
    void AddRow(int nPort, const std::string& strDevice);
    // COMn's new state (see IStationListener::PortState).
    void SetState(int nPort, const std::string& strDevice, EPortState eState,
                  const std::string& strDetail);
    void SetProgress(int nPort, uint32_t nBlocksSent, int nBlockTotal);
    // An attempt's result line, and the counts after it.
    void PrintResult(const std::string& strLine, bool bUpdated, int nUpdated, int nFailed);
    // Redraws the rows now and then (the rates move on); from the station's
    // rescan, about once a second.
    void Tick();
    // Shows the rows a last time; nothing is drawn after this.
    void Close();

    // "COM3 (/dev/ttyUSB0)", or "COM3" without a device file.
    static std::string PortName(int nPort, const std::string& strDevice);

private:
    struct SRow {
        int nPort = 0;
        std::string strDevice;
        EPortState eState = EPortState::Waiting;
        std::string strDetail;
        uint32_t nDone = 0;
        int nTotal = 0;
        std::chrono::steady_clock::time_point tStart{};
    };

    SRow* Find(int nPort);
    std::string RowLine(const SRow& row, int nColumns) const;
    std::string CountLine() const;
    void Redraw();
    // A line above the rows (on a terminal), or a line of the event log.
    void PrintLine(std::FILE* pStream, const std::string& strLine);

    std::mutex m_lock;
    std::FILE* m_pOut;
    bool m_bInteractive;
    bool m_bQuiet;
    bool m_bClosed = false;
    std::vector<SRow> m_rows;
    int m_nUpdated = 0;
    int m_nFailed = 0;
    CRewrittenLines m_drawn;
    std::chrono::steady_clock::time_point m_tLastDraw{};
};
