#include "wizard/win32/kesta_wizard.h"

#include <commctrl.h>

#include "app/updater_app.h"
#include "res/page_texts.h"
#include "wizard/win32/message_box.h"

namespace {

// How long a worker waits for the sheet to take its cancel-to-close.
constexpr UINT kSheetAnswerMs = 5000;

}  // namespace

CKestaWizard::CKestaWizard(CUpdaterApp& app)
    : m_app(app),
      m_fonts(app),
      m_pageWelcome(*this),
      m_pageSetup(*this),
      m_pageProgTarget(*this),
      m_exit(app, m_pageSetup.Procedure(), m_pageProgTarget.Procedure()) {}

INT_PTR CKestaWizard::DoModal() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    PROPSHEETPAGEA pages[] = {m_pageWelcome.Describe(), m_pageSetup.Describe(),
                              m_pageProgTarget.Describe()};
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    // No PSH_HASHELP: no Help button. The title bar shows the page's caption.
    header.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE;
    header.hwndParent = nullptr;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = "";
    header.nPages = sizeof pages / sizeof pages[0];
    header.nStartPage = 0;
    header.ppsp = pages;
    return PropertySheetA(&header);
}

BOOL CKestaWizard::ConfirmCancel() {
    if (m_app.m_bUpdateDone == 0 && !AskExitQuestion()) {
        return FALSE;
    }
    // A run in progress is ended on the device too, so that it is not left
    // holding blocks of a transfer nobody finishes. A Yes that crossed the
    // run's success abandons nothing: the device has committed.
    m_exit.Leave();
    return TRUE;
}

bool CKestaWizard::AskExitQuestion() {
    // During a run a stray Enter must not break off the transfer.
    const UINT nDefault = m_app.m_nProgState != 0 ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
    return MessageBoxFittingCaption(m_hSheet, kExitQuestion, kExitCaption,
                                    MB_YESNO | MB_ICONQUESTION | nDefault) == IDYES;
}

void CKestaWizard::PostWizardButtons(unsigned nFlags) {
    PostMessageA(m_hSheet, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(nFlags));
}

void CKestaWizard::PostPageButtons(int nPage, unsigned nFlags) {
    const HWND hPage = PageWindow(nPage);
    CWin32PageControls::PostToPage(hPage, [this, hPage, nFlags] {
        const HWND hSheet = m_hSheet;
        if (reinterpret_cast<HWND>(SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0)) == hPage) {
            SendMessageA(hSheet, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(nFlags));
        }
    });
}

HWND CKestaWizard::PageWindow(int nPage) const {
    switch (nPage) {
        case WIZ_PAGE_WELCOME:
            return m_pageWelcome.Window();
        case WIZ_PAGE_SETUP:
            return m_pageSetup.Window();
        case WIZ_PAGE_PROG_TARGET:
            return m_pageProgTarget.Window();
        default:
            return nullptr;
    }
}

void CKestaWizard::CancelToClose() {
    DWORD_PTR nIgnored = 0;
    SendMessageTimeoutA(m_hSheet, PSM_CANCELTOCLOSE, 0, 0, SMTO_NORMAL, kSheetAnswerMs, &nIgnored);
    CloseExitQuestion();
}

// The question is a message box of the sheet's thread, owned by the sheet.
// Once the sheet has handled the cancel-to-close, a question asked before
// it exists already (the sheet's thread takes the sent message only in the
// box's own message loop), and none is asked after it (the update is done).
void CKestaWizard::CloseExitQuestion() const {
    struct SSearch {
        HWND hSheet;
        HWND hQuestion;
    } search{m_hSheet, nullptr};
    EnumThreadWindows(
        GetWindowThreadProcessId(search.hSheet, nullptr),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto& found = *reinterpret_cast<SSearch*>(lParam);
            char szClass[16] = "", szTitle[64] = "";
            GetClassNameA(hWnd, szClass, sizeof szClass);
            GetWindowTextA(hWnd, szTitle, sizeof szTitle);
            if (GetWindow(hWnd, GW_OWNER) == found.hSheet && lstrcmpA(szClass, "#32770") == 0 &&
                lstrcmpA(szTitle, kExitCaption) == 0) {
                found.hQuestion = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.hQuestion != nullptr) {
        PostMessageA(search.hQuestion, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    }
}
