#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "tools/vanto-flash/terminal_output.h"
#include "wizard/procedures/procedure_events.h"

// The setup and programming pages on a terminal: the procedures' events as
// vanto-flash's lines. The procedures call in from their worker threads;
// each event is passed on at once under one lock, which keeps their order.
// What goes to the output:
//   - the scan's start ("Connecting device...", two lines),
//   - a line per port once its outcome is known ("COM Port3--Device Found"),
//     with the cause below a port that is there but cannot be used,
//   - the scan's outcome: the port and device file where the device
//     answered, else the not-found text (a failure),
//   - the start of a run and its progress (acknowledged blocks),
//   - the run's result text, a failure unless the device was updated.
// "\r\n" in the texts becomes a line break. A run the user left prints nothing.
class CTerminalPage : public IScanEvents, public IRunEvents {
public:
    explicit CTerminalPage(ITerminalOutput& output);

    void ScanPressed() override {}
    void ScanStarting() override;
    void ScanBegun() override {}
    void PortTried(const SPortAttempt& attempt) override;
    void ScanEnded(const SScanOutcome& outcome) override;

    void StartWaitsForScan() override;
    void RunStarting() override {}
    void ImageLoaded(int nBlockTotal) override;
    void TransferBegun() override {}
    void BlockSent(const SRunProgress& progress) override;
    void TransferEnded(const SRunResult& result) override;
    void RunEnded(const SRunResult& result) override;

    // fnEnded is called after each ScanEnded and RunEnded has been passed
    // on, on the thread that reported it and outside the page's lock: the
    // road's thread waits for it instead of looking at the workers again and
    // again. Set before any procedure runs.
    void SetEndNotice(std::function<void()> fnEnded) { m_fnEnded = std::move(fnEnded); }
    // Prints nothing more (the program is leaving on a signal).
    void Silence();
    // Forgets the last scan's outcome and the last run's result, before a
    // road starts its next scan or run.
    void ForgetLastEnds();
    // How the last scan ended (ScanEnded); false before one did.
    bool LastScanOutcome(SScanOutcome* pOutcome);
    // The result of the last run that ended (RunEnded); false before one did.
    bool LastRunResult(SRunResult* pResult);

    // "\r\n" to "\n", without a trailing line break.
    static std::string ToTerminalText(const std::string& strText);
    // The text of a run's result as the terminal prints it ("" for a code
    // without text): the page's result text, on terminal lines.
    static std::string ResultText(int nCode);

private:
    void PassOnScanEnded(const SScanOutcome& outcome);
    void PassOnRunEnded(const SRunResult& result);
    void NoteEnded() const;

    std::function<void()> m_fnEnded;
    std::mutex m_lock;
    ITerminalOutput& m_output;
    bool m_bSilent = false;
    bool m_bHasOutcome = false;
    SScanOutcome m_lastOutcome;
    bool m_bHasResult = false;
    SRunResult m_lastResult;
};
