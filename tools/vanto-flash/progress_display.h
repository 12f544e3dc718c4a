#pragma once

#include <chrono>
#include <cstdio>

// The progress of a programming run on a text stream. On a terminal: one line
// rewritten in place with blocks done/total, bytes per second and the time
// since the run started. Otherwise (a log file, a pipe): one line for every
// further tenth of the blocks, so logs stay short.
class CProgressDisplay {
public:
    CProgressDisplay(std::FILE* pOut, bool bInteractive)
        : m_pOut(pOut), m_bInteractive(bInteractive) {}

    // A new run of nTotal blocks begins now.
    void Start(int nTotal);
    // Blocks sent so far (the page's progress position; may pass the total by
    // one when the last call found the image exhausted).
    void Update(int nDone);
    // The run is over: an interactive line is ended with a line break.
    void Stop();

    static constexpr int kBlockBytes = 256;

private:
    void PrintLine(int nDone);

    std::FILE* m_pOut;
    bool m_bInteractive;
    bool m_bActive = false;
    int m_nTotal = 0;
    int m_nLastTenth = 0;
    std::chrono::steady_clock::time_point m_tStart{};
};
