#include "wizard/win32/prog_target_page.h"

#include "res/control_ids.h"
#include "wizard/win32/kesta_wizard.h"

CProgTargetPage::CProgTargetPage(CKestaWizard& wizard)
    : CWin32Page(wizard, IDD_PROG_TARGET), m_prog(wizard.App(), m_view) {}

void CProgTargetPage::OnInitDialog() {
    m_status.Attach(GetDlgItem(m_hPage, IDC_PROG_STATUS));
    ApplyFont(IDC_START_BUTTON, 5);
    m_status.SetTextColor(kStatusBlue);
    ApplyFont(IDC_PROG_STATUS, 3);
    ApplyFont(IDC_ELAPSED_TIME, 2);
    // "Ready to update the device now.", then the first button request (Back).
    m_view.OnInitDialog();
    m_prog.OnInitDialog();
}

void CProgTargetPage::OnSetActive() {
    m_prog.OnSetActive();
}

void CProgTargetPage::OnCommand(int nId) {
    if (nId == IDC_START_BUTTON) {
        m_prog.OnStartProgramming();
    }
}
