#pragma once

#include <string>

// Where a terminal page's texts and progress go. The page has already worded
// each text for the terminal ("\r\n" made a line break, the found text naming
// the port); the output decides where and whether it is shown. One device
// alone prints to the standard streams (CStreamOutput); several at once each
// have a row of a shared board (CBoardRowOutput). Called under the page's
// lock, from whichever thread called the page.
class ITerminalOutput {
public:
    virtual ~ITerminalOutput() = default;

    // A completed line of the scan log: "COM Port3--Device Found", or the
    // cause line under a port that is there but cannot be used.
    virtual void ScanLine(const std::string& strLine) = 0;
    // A status text of the pages, or the result box's text; bFailure when it
    // reports a failure (no device, a failed run).
    virtual void Status(const std::string& strText, bool bFailure) = 0;
    // A programming run of nTotal blocks begins; nDone blocks are sent; the
    // run is over.
    virtual void ProgressStart(int nTotal) = 0;
    virtual void ProgressUpdate(int nDone) = 0;
    virtual void ProgressStop() = 0;
    // The page's beep at the end of a run.
    virtual void Bell() = 0;
};
