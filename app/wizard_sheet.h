#pragma once

// Wizard-button flags, combined by OR. The Win32 headers define the same
// values as macros; where they came first, theirs stand.
#ifndef PSWIZB_BACK
inline constexpr unsigned PSWIZB_BACK = 1;
inline constexpr unsigned PSWIZB_NEXT = 2;
inline constexpr unsigned PSWIZB_FINISH = 4;
inline constexpr unsigned PSWIZB_DISABLEDFINISH = 8;
#endif

// What the pages and their worker procedures need of the wizard sheet.
class IWizardSheet {
public:
    virtual ~IWizardSheet() = default;

    // Posts a wizard-button request: queued to the user-interface thread and
    // applied in the order posted, the last one deciding. Safe from any thread.
    virtual void PostWizardButtons(unsigned nFlags) = 0;

    // Withdraws Cancel for good (after a successful update). The caller waits
    // until the sheet has handled it.
    virtual void CancelToClose() = 0;
};
