#pragma once

#include "wizard/procedures/setup.h"
#include "wizard/procedures/setup_page_view.h"
#include "wizard/win32/color_static.h"
#include "wizard/win32/wizard_page.h"

// The setup page (template 130): the cabling picture, the three steps, the
// scan button, the status label and the scan log; the scan is CSetup's, and
// CSetupPageView turns its events into the controls' changes.
class CSetupPage : public CWin32Page {
public:
    explicit CSetupPage(CKestaWizard& wizard);
    ~CSetupPage() override;

    CSetup& Procedure() { return m_setup; }
    const CSetup& Procedure() const { return m_setup; }

protected:
    void OnInitDialog() override;
    void OnSetActive() override;
    void OnCommand(int nId) override;
    CColorStatic* StatusLabel() override { return &m_status; }

private:
    void LoadPicture();

    CColorStatic m_status;
    CSetupPageView m_view{m_controls};
    CSetup m_setup;
    HBITMAP m_hPicture = nullptr;
};
