#include "wizard/win32/wizard_page.h"

#include "res/dialog_template.h"
#include "wizard/win32/color_static.h"
#include "wizard/win32/dialog_memory.h"
#include "wizard/win32/kesta_wizard.h"
#include "wizard/win32/win32_fonts.h"

CWin32Page::CWin32Page(CKestaWizard& wizard, int nTemplateId)
    : m_wizard(wizard), m_app(wizard.App()) {
    if (const DIALOG_TEMPLATE* pTemplate = FindDialogTemplate(nTemplateId)) {
        m_template = BuildDialogMemory(*pTemplate);
    }
}

PROPSHEETPAGEA CWin32Page::Describe() {
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DLGINDIRECT;  // no PSP_HASHELP: no Help button
    page.hInstance = GetModuleHandleA(nullptr);
    page.pResource = reinterpret_cast<const DLGTEMPLATE*>(m_template.data());
    page.pfnDlgProc = &CWin32Page::DialogProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

void CWin32Page::ApplyFont(int nId, int nFont) const {
    SendDlgItemMessageA(m_hPage, nId, WM_SETFONT,
                        reinterpret_cast<WPARAM>(m_wizard.Fonts().Font(nFont)), TRUE);
}

INT_PTR CALLBACK CWin32Page::DialogProc(HWND hDlg, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    if (nMessage == WM_INITDIALOG) {
        auto* pPage =
            reinterpret_cast<CWin32Page*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(pPage));
        pPage->m_hPage = hDlg;
        pPage->m_controls.Attach(hDlg);
        pPage->m_wizard.AttachSheet(GetParent(hDlg));
        pPage->OnInitDialog();
        return TRUE;
    }
    auto* pPage = reinterpret_cast<CWin32Page*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    return pPage != nullptr ? pPage->OnMessage(nMessage, wParam, lParam) : FALSE;
}

INT_PTR CWin32Page::OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    switch (nMessage) {
        case CWin32PageControls::kRunMessage:
            CWin32PageControls::RunPosted(lParam);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                OnCommand(LOWORD(wParam));
            }
            return TRUE;
        case WM_CTLCOLORSTATIC: {
            CColorStatic* pLabel = StatusLabel();
            if (pLabel != nullptr && reinterpret_cast<HWND>(lParam) == pLabel->Window()) {
                return reinterpret_cast<INT_PTR>(pLabel->OnCtlColor(reinterpret_cast<HDC>(wParam)));
            }
            return FALSE;
        }
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        default:
            return FALSE;
    }
}

INT_PTR CWin32Page::OnNotify(const NMHDR& header) {
    switch (header.code) {
        case PSN_SETACTIVE:
            OnSetActive();
            SetWindowLongPtrA(m_hPage, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_QUERYCANCEL:
            // Every page asks the one exit question; TRUE keeps the wizard open.
            SetWindowLongPtrA(m_hPage, DWLP_MSGRESULT, m_wizard.ConfirmCancel() ? FALSE : TRUE);
            return TRUE;
        default:
            return FALSE;
    }
}
