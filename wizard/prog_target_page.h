#pragma once

#include "wizard/procedures/prog_page_view.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/qt_page_controls.h"
#include "wizard/wizard_page.h"

// The programming page on Qt: the template 132 controls, the blue status
// label, and the programming procedure CProgTarget, whose events
// CProgPageView turns into the controls' changes.
class CProgTargetPage : public CWizardPage {
public:
    explicit CProgTargetPage(CUpdaterApp& app);
    ~CProgTargetPage() override;

    // True while the run's worker has not ended.
    bool IsWorkerRunning() const { return m_prog.IsRunning(); }

    CProgTarget& Procedure() { return m_prog; }
    CQtPageControls& PageControls() { return m_pageControls; }

protected:
    void OnCreated(const std::map<int, QWidget*>& controls) override;
    void OnInitDialog() override;
    void OnSetActive() override;

private:
    // Declared before the procedure: the procedure's thread is joined first.
    CQtPageControls m_pageControls{this};
    CProgPageView m_view{m_pageControls};
    CProgTarget m_prog;
};
