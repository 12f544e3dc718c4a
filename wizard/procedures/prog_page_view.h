#pragma once

#include <string>

#include "wizard/procedures/procedure_events.h"

class IPageControls;

// The programming page (template 132) as the run's events change it, for
// both wizards: the status label, the progress bar, the elapsed time, the
// Start button, the result box and the end-of-run beep. Every change goes
// through the page's IPageControls, in the order of the events.
class CProgPageView : public IRunEvents {
public:
    explicit CProgPageView(IPageControls& controls) : m_controls(controls) {}

    // The page's first status text, "Ready to update the device now.". UI thread.
    void OnInitDialog();

    void StartWaitsForScan() override;
    void RunStarting() override;
    void ImageLoaded(int nBlockTotal) override;
    void TransferBegun() override;
    void BlockSent(const SRunProgress& progress) override;
    void TransferEnded(const SRunResult& result) override;
    // Shows the result box and then the same text in the status label; for
    // NoImage the beep comes first and the label, which adds the folder the
    // update file was looked for in, before the box. Waits until the box is
    // closed.
    void RunEnded(const SRunResult& result) override;

    // The text of a result code (the box and the status label show the
    // same); false, with an empty text, for a code that has none (UPD_MORE
    // and device statuses passed on).
    static bool GetResultText(int nCode, std::string& strText);
    // The elapsed-time label's text for s whole seconds since the run began,
    // "Elapse Time: m:s" with the minutes within the hour; false (the label
    // keeps its text) when s is a whole number of hours, 0 included.
    static bool FormatElapsedTime(long s, std::string& strText);
    // A folder as the status label names it: strFolder with the home folder
    // pszHome (may be null) as "~", and a name longer than 40 characters cut
    // at its front to "..." and its last 37.
    static std::string ShortFolderName(const std::string& strFolder, const char* pszHome);

private:
    // The result box, for a code that has a text.
    void ShowResultBox(int nCode);
    // The status label: the code's text, empty for a code without one.
    void ShowResultStatus(int nCode);
    // The status label's text when no update file could be loaded: the file
    // error's text, and below it the folder it was looked for in.
    static std::string NoImageStatus(const SRunResult& result);
    void PutAwayRunControls();

    IPageControls& m_controls;
};
