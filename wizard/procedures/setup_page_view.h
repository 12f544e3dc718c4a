#pragma once

#include "wizard/procedures/procedure_events.h"

class IPageControls;

// The setup page (template 130) as the scan's events change it, for both
// wizards: the texts of the title, the steps, the scan button, the status
// label and the log, and when the log shows. Every change goes through the
// page's IPageControls, in the order of the events.
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
};
