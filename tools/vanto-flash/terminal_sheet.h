#pragma once

#include "app/wizard_sheet.h"

// The terminal has no wizard buttons: the page flow's requests change
// nothing, and CancelToClose returns at once.
class CTerminalSheet : public IWizardSheet {
public:
    void PostWizardButtons(unsigned) override {}
    void PostPageButtons(int, unsigned) override {}
    void CancelToClose() override {}
};
