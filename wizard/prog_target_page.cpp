#include "wizard/prog_target_page.h"

#include <QPushButton>

#include "wizard/color_static.h"

CProgTargetPage::CProgTargetPage(CUpdaterApp& app)
    : CWizardPage(app, IDD_PROG_TARGET, {IDC_PROG_STATUS}), m_prog(app, m_view) {}

CProgTargetPage::~CProgTargetPage() {
    // A run still going may wait on its result box; let it go before it is joined.
    m_pageControls.Detach();
}

void CProgTargetPage::OnCreated(const std::map<int, QWidget*>& controls) {
    m_pageControls.SetControls(controls);
    if (auto* pButton = ControlAs<QPushButton>(IDC_START_BUTTON)) {
        connect(pButton, &QPushButton::clicked, this, [this] { m_prog.OnStartProgramming(); });
    }
}

void CProgTargetPage::OnInitDialog() {
    ApplyFont(IDC_START_BUTTON, 5);
    if (auto* pStatus = dynamic_cast<CColorStatic*>(Control(IDC_PROG_STATUS))) {
        pStatus->SetTextColor(kStatusBlue);
    }
    ApplyFont(IDC_PROG_STATUS, 3);
    ApplyFont(IDC_ELAPSED_TIME, 2);
    // "Ready to update the device now.", then the first button request (Back).
    m_view.OnInitDialog();
    m_prog.OnInitDialog();
}

void CProgTargetPage::OnSetActive() {
    m_prog.OnSetActive();
}
