#pragma once

#include <windows.h>

#include <atomic>

#include "app/wizard_sheet.h"
#include "wizard/procedures/procedure_exit.h"
#include "wizard/win32/prog_target_page.h"
#include "wizard/win32/setup_page.h"
#include "wizard/win32/welcome.h"
#include "wizard/win32/win32_fonts.h"

class CUpdaterApp;

// The Win32 wizard: a property sheet in wizard mode (PSH_WIZARD) with the
// welcome, setup and programming pages, run modally. The pages' procedures
// and worker threads change its buttons only by posting PSM_SETWIZBUTTONS.
class CKestaWizard : public IWizardSheet {
public:
    explicit CKestaWizard(CUpdaterApp& app);
    ~CKestaWizard() override = default;

    // Shows the wizard on page 0 and returns once it is closed (Finish, or a
    // confirmed Cancel or close box).
    INT_PTR DoModal();

    // The exit question (not asked after a successful update; No is the
    // default while a run is in progress). TRUE lets the wizard close, after
    // leaving through CProcedureExit: a scan stops, a run in progress is
    // ended on the device, the port is closed. FALSE changes nothing.
    BOOL ConfirmCancel();

    // Safe from any thread.
    void PostWizardButtons(unsigned nFlags) override;
    // Through the page's own window, so that it is applied after the changes
    // the worker made before it, and only while that page is current.
    void PostPageButtons(int nPage, unsigned nFlags) override;
    // Sent: returns once the sheet has withdrawn Cancel. An exit question
    // still open is then answered No: the wizard stays, with Finish alone.
    // Gives up after a few seconds when the sheet does not take it (it is
    // closing, or busy leaving), so that no worker waits for it for ever.
    void CancelToClose() override;

    CUpdaterApp& App() { return m_app; }
    const CWin32Fonts& Fonts() const { return m_fonts; }
    // The sheet's window, from its first page's creation (UI thread).
    void AttachSheet(HWND hSheet) { m_hSheet = hSheet; }

private:
    // Asks the exit question; true on Yes.
    bool AskExitQuestion();
    // Answers No to the exit question if it is open. Any thread.
    void CloseExitQuestion() const;
    HWND PageWindow(int nPage) const;

    CUpdaterApp& m_app;
    CWin32Fonts m_fonts;
    std::atomic<HWND> m_hSheet{nullptr};
    CWelcome m_pageWelcome;
    CSetupPage m_pageSetup;
    CProgTargetPage m_pageProgTarget;
    CProcedureExit m_exit;
};
