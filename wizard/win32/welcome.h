#pragma once

#include "wizard/win32/wizard_page.h"

// The welcome page (template 129): title, the introduction and the hint
// line; it offers only Next.
class CWelcome : public CWin32Page {
public:
    explicit CWelcome(CKestaWizard& wizard);

protected:
    void OnInitDialog() override;
    void OnSetActive() override;

private:
    HICON m_hIcon;
};
