#pragma once

#include <atomic>

#include "app/wizard_sheet.h"

// The terminal has no wizard buttons to show: it keeps the last request so
// that the road can tell where the procedures left the page flow.
class CTerminalSheet : public IWizardSheet {
public:
    void PostWizardButtons(unsigned nFlags) override { m_nButtons = nFlags; }
    // The terminal shows one page at a time, always the worker's own.
    void PostPageButtons(int, unsigned nFlags) override { m_nButtons = nFlags; }
    void CancelToClose() override { m_bCancelWithdrawn = true; }

    unsigned Buttons() const { return m_nButtons.load(); }
    bool IsCancelWithdrawn() const { return m_bCancelWithdrawn.load(); }

private:
    std::atomic<unsigned> m_nButtons{0};
    std::atomic<bool> m_bCancelWithdrawn{false};
};
