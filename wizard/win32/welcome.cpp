#include "wizard/win32/welcome.h"

#include "app/updater_app.h"
#include "app/wizard_sheet.h"
#include "res/control_ids.h"
#include "res/page_texts.h"
#include "wizard/win32/kesta_wizard.h"

CWelcome::CWelcome(CKestaWizard& wizard)
    : CWin32Page(wizard, IDD_WELCOME),
      m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP_ICON))) {}

void CWelcome::OnInitDialog() {
    // The icon goes to the page and to the sheet's title bar.
    for (const HWND hWnd : {m_hPage, GetParent(m_hPage)}) {
        SendMessageA(hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
        SendMessageA(hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    }
    ApplyFont(IDC_WELCOME_HINT, 4);
    ApplyFont(IDC_WELCOME_TITLE, 1);
    const std::string strIntro = BuildIntroText();
    ApplyFont(IDC_WELCOME_INTRO, 2);
    SetDlgItemTextA(m_hPage, IDC_WELCOME_INTRO, strIntro.c_str());
    EnableWindow(GetDlgItem(m_hPage, IDC_WELCOME_INTRO), TRUE);
}

void CWelcome::OnSetActive() {
    m_app.m_pWizard->PostWizardButtons(PSWIZB_NEXT);
}
