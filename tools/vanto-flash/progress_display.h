#pragma once

#include <chrono>
#include <cstdio>
#include <string>

// The progress of a programming run on a text stream. On a terminal: one line
// rewritten in place with a bar, the percentage, blocks and bytes done of the
// total, the rate, the time since the run started and the time still to go,
// fitted to the terminal's width at each redraw (the bytes go first, then
// the bar narrows, then the elapsed time, the blocks, the rate and the bar
// go; the percentage and the time left stay). Otherwise (a log file, a
// pipe): one line for every further tenth of the blocks, so logs stay short.
class CProgressDisplay {
public:
    CProgressDisplay(std::FILE* pOut, bool bInteractive)
        : m_pOut(pOut), m_bInteractive(bInteractive) {}

    // A new run of nTotal blocks begins now.
    void Start(int nTotal);
    // Blocks the device has acknowledged so far.
    void Update(int nDone);
    // The run is over: an interactive line is ended with a line break.
    void Stop();

    static constexpr int kBlockBytes = 256;
    static constexpr int kBarWidth = 24;
    static constexpr int kMinBarWidth = 10;

    // The interactive line's text for nDone of nTotal after dSeconds, at
    // most nColumns wide.
    static std::string InteractiveLine(int nDone, int nTotal, double dSeconds, int nColumns);
    // The line of a log: "Block 3/21  14%  768/5,376 bytes  3.4 KiB/s  0:01".
    static std::string LogLine(int nDone, int nTotal, double dSeconds);

private:
    double Elapsed() const;
    // The interactive line for nDone, unless one was drawn a moment ago.
    void Redraw(int nDone);

    std::FILE* m_pOut;
    bool m_bInteractive;
    bool m_bActive = false;
    int m_nTotal = 0;
    int m_nLastTenth = 0;
    size_t m_nLastWidth = 0;
    std::chrono::steady_clock::time_point m_tStart{};
    std::chrono::steady_clock::time_point m_tLastLine{};
};
