#pragma once

#include "wizard/procedures/setup.h"
#include "wizard/procedures/setup_page_view.h"
#include "wizard/qt_page_controls.h"
#include "wizard/wizard_page.h"

// The setup page on Qt: the template 130 controls, the cabling picture, the
// blue status label, and the scan procedure CSetup, whose events
// CSetupPageView turns into the controls' changes.
class CSetupPage : public CWizardPage {
public:
    explicit CSetupPage(CUpdaterApp& app);
    ~CSetupPage() override;

    // True while the scan's worker has not ended.
    bool IsWorkerRunning() const { return m_setup.IsScanRunning(); }

    CSetup& Procedure() { return m_setup; }
    CQtPageControls& PageControls() { return m_pageControls; }

protected:
    void OnCreated(const std::map<int, QWidget*>& controls) override;
    void OnInitDialog() override;
    void OnSetActive() override;

private:
    void LoadPicture();

    // Declared before the procedure: the procedure's thread is joined first.
    CQtPageControls m_pageControls{this};
    CSetupPageView m_view{m_pageControls};
    CSetup m_setup;
};
