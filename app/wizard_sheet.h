#pragma once

// Wizard-button flags, combined by OR. The Win32 headers define the same
// values as macros; where they came first, theirs stand.
#ifndef PSWIZB_BACK
inline constexpr unsigned PSWIZB_BACK = 1;
inline constexpr unsigned PSWIZB_NEXT = 2;
inline constexpr unsigned PSWIZB_FINISH = 4;
inline constexpr unsigned PSWIZB_DISABLEDFINISH = 8;
#endif

// The sheet's pages by their index, in the order the sheet holds them.
inline constexpr int WIZ_PAGE_WELCOME = 0;
inline constexpr int WIZ_PAGE_SETUP = 1;
inline constexpr int WIZ_PAGE_PROG_TARGET = 2;

// What the pages and their worker procedures need of the wizard sheet.
class IWizardSheet {
public:
    virtual ~IWizardSheet() = default;

    // Posts a wizard-button request: queued to the user-interface thread and
    // applied in the order posted, the last one deciding. Safe from any thread.
    virtual void PostWizardButtons(unsigned nFlags) = 0;

    // A worker's request for the buttons of its own page: queued like
    // PostWizardButtons, in the same order, but applied only if page nPage is
    // the active page when its turn comes; otherwise it is dropped and the
    // buttons stay as they are (the page makes its own request when it is
    // shown again). A sheet without pages applies it. Safe from any thread.
    virtual void PostPageButtons(int nPage, unsigned nFlags) = 0;

    // Withdraws Cancel for good (after a successful update). The caller waits
    // until the sheet has handled it, or until the sheet gives up on it
    // because it is closing; Cancel is then gone or the wizard with it.
    virtual void CancelToClose() = 0;
};
