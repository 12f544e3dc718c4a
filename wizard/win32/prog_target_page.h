#pragma once

#include "wizard/procedures/prog_page_view.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/win32/color_static.h"
#include "wizard/win32/wizard_page.h"

// The programming page (template 132): status label, progress bar, elapsed
// time and the Start button; the run is CProgTarget's, and CProgPageView
// turns its events into the controls' changes.
class CProgTargetPage : public CWin32Page {
public:
    explicit CProgTargetPage(CKestaWizard& wizard);

    CProgTarget& Procedure() { return m_prog; }
    const CProgTarget& Procedure() const { return m_prog; }

protected:
    void OnInitDialog() override;
    void OnSetActive() override;
    void OnCommand(int nId) override;
    CColorStatic* StatusLabel() override { return &m_status; }

private:
    CColorStatic m_status;
    CProgPageView m_view{m_controls};
    CProgTarget m_prog;
};
