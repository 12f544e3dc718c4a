#pragma once

#include "wizard/procedures/procedure_events.h"

class IPageControls;

// The setup page (template 130) as the scan's events change it, for both
// wizards: the texts of the title, the steps, the scan button, the status
// label and the log, and when the log shows; why a port that is there could
// not be used, in the log and, when no device answered, below the status. Every change goes through
// the page's IPageControls, in the order of the events.
class CSetupPageView : public IScanEvents {
public:
    explicit CSetupPageView(IPageControls& controls) : m_controls(controls) {}

    // The page's first texts: title, the three steps, "Scan Device". UI thread.
    void OnInitDialog();

    void ScanPressed() override;
    void ScanStarting() override;
    void ScanBegun() override;
    void PortTried(const SPortAttempt& attempt) override;
    void ScanEnded(const SScanOutcome& outcome) override;

private:
    IPageControls& m_controls;
    // The scan's first port that was there but could not be used (nPort 0:
    // none yet). Worker thread: set from ScanBegun to ScanEnded.
    SPortAttempt m_firstUnusable;
};
