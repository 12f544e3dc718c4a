#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "tools/vanto-flash/rewritten_lines.h"

// The display of a run on several devices at once, shared by their roads.
// On a terminal: one row per device at the bottom, each rewritten in place
// (port and device file, bar, percent, rate, and the device's last status
// text) and fitted to the terminal's width at each redraw (CFittedLine), with
// the lines of the scan log printed above the rows. Otherwise (a
// log file, a pipe): the scan log's lines, and a line for a device each time
// it has sent a further tenth of its blocks. The scan log keeps port order,
// as one scan of the ports in turn would print it: a port's lines wait until
// the scans of the ports before it are over. Quiet shows
// nothing. Every call takes the board's lock, so lines never mix.
class CDeviceBoard {
public:
    CDeviceBoard(std::FILE* pOut, bool bInteractive, bool bQuiet);

    // A row for COMn; bShown: drawn from the start, else from ShowRow on (a
    // port of --all, shown once a device answered there). Before the roads
    // start; returns the row's index.
    int AddRow(int nPort, const std::string& strDevice, bool bShown);
    void ShowRow(int nRow);

    // A line of a row's scan log, printed above the rows.
    void PrintScanLine(int nRow, const std::string& strLine);
    // The row's scan is over: no more scan lines come from it.
    void EndScan(int nRow);
    void SetStatus(int nRow, const std::string& strText);
    void StartProgress(int nRow, int nTotal);
    void UpdateProgress(int nRow, int nDone);
    void StopProgress(int nRow);
    // Shows the rows a last time; nothing is drawn after this.
    void Close();

    // "COM3 (/dev/ttyUSB0)"
    static std::string DeviceName(int nPort, const std::string& strDevice);

private:
    struct SRow {
        int nPort = 0;
        std::string strDevice;
        std::string strStatus;  // first line of the last status text
        bool bShown = false;
        bool bProgress = false;  // a run has started (its bar is drawn from then on)
        int nDone = 0;
        int nTotal = 0;
        int nLastTenth = 0;
        std::chrono::steady_clock::time_point tStart{};
        double dSeconds = 0.0;               // of the run, frozen when it stops
        std::vector<std::string> scanLines;  // waiting for the ports before this one
        bool bScanOver = false;
    };

    // The row's line, fitted to nColumns.
    std::string RowLine(const SRow& row, int nColumns) const;
    void Redraw();
    void RedrawSoon();
    void PrintWaitingScanLines();

    std::mutex m_lock;
    std::FILE* m_pOut;
    bool m_bInteractive;
    bool m_bQuiet;
    bool m_bClosed = false;
    std::vector<SRow> m_rows;
    CRewrittenLines m_drawn;
    std::chrono::steady_clock::time_point m_tLastDraw{};
};
