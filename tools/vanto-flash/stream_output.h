#pragma once

#include <cstdio>
#include <string>

#include "tools/vanto-flash/progress_display.h"
#include "tools/vanto-flash/terminal_output.h"

// Where the terminal page prints: results and progress on pOut, errors on
// pErr; bQuiet keeps everything but errors off pOut.
struct STerminalStreams {
    std::FILE* pOut = stdout;
    std::FILE* pErr = stderr;
    bool bInteractive = false;  // pOut is a terminal: the progress line is rewritten in place
    bool bQuiet = false;
};

// One device's texts on the standard streams, each as it comes: the scan log
// and the statuses on pOut, failures on pErr, the progress of a run as one
// line (CProgressDisplay).
class CStreamOutput : public ITerminalOutput {
public:
    explicit CStreamOutput(const STerminalStreams& streams)
        : m_streams(streams), m_progress(streams.pOut, streams.bInteractive) {}

    void ScanLine(const std::string& strLine) override;
    void Status(const std::string& strText, bool bFailure) override;
    void ProgressStart(int nTotal) override;
    void ProgressUpdate(int nDone) override;
    void ProgressStop() override;
    void Bell() override;

private:
    void PrintLine(const std::string& strText, bool bFailure);

    STerminalStreams m_streams;
    CProgressDisplay m_progress;
};
