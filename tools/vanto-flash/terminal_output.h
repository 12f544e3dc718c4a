#pragma once

#include <string>

// Where a terminal page's lines and progress go. The page has already worded
// each event as a terminal line ("\r\n" made a line break, the found device
// named by port and device file); the output decides where and whether it
// is shown. One device
// alone prints to the standard streams (CStreamOutput); several at once each
// have a row of a shared board (CBoardRowOutput). Called under the page's
// lock, from whichever thread called the page.
class ITerminalOutput {
public:
    virtual ~ITerminalOutput() = default;

    // A completed line of the scan log: "COM Port3--Device Found", or the
    // cause line under a port that is there but cannot be used.
    virtual void ScanLine(const std::string& strLine) = 0;
    // The port a scan tried did not open: why, as "DEVICE: cause", or ""
    // when the system did not say. Before the port's scan lines. Only a
    // station port's row uses it.
    virtual void PortNotOpened(const std::string& strCause) { (void)strCause; }
    // A state of the scan or the run, or a run's result; bFailure when it
    // reports a failure (no device, a failed run).
    virtual void Status(const std::string& strText, bool bFailure) = 0;
    // A programming run of nTotal blocks begins; the device has acknowledged
    // nDone blocks; the run is over.
    virtual void ProgressStart(int nTotal) = 0;
    virtual void ProgressUpdate(int nDone) = 0;
    virtual void ProgressStop() = 0;
    // The end of a run, or a Start that found no update file.
    virtual void Bell() = 0;
};
