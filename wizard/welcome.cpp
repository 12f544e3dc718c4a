#include "wizard/welcome.h"

#include <QPlainTextEdit>

#include "app/updater_app.h"
#include "app/wizard_sheet.h"
#include "res/page_texts.h"
#include "wizard/page_builder.h"

// The icon lives in a resource compiled into this static library; it must be
// registered by name from outside any namespace.
static void InitWizardResources() {
    Q_INIT_RESOURCE(vanto_update);
}

CWelcome::CWelcome(CUpdaterApp& app) : CWizardPage(app, IDD_WELCOME) {
    InitWizardResources();
    // Every size the desktop asks for: title bar, task switcher, dock.
    for (int nSize : {16, 32, 48, 64, 128, 256}) {
        m_hIcon.addFile(QStringLiteral(":/vanto/icon%1.png").arg(nSize), QSize(nSize, nSize));
    }
}

void CWelcome::OnInitDialog() {
    // The icon goes to the page and to the sheet's title bar.
    setWindowIcon(m_hIcon);
    window()->setWindowIcon(m_hIcon);
    ApplyFont(IDC_WELCOME_HINT, 4);
    ApplyFont(IDC_WELCOME_TITLE, 1);
    m_strIntro = BuildIntroText();
    ApplyFont(IDC_WELCOME_INTRO, 2);
    if (auto* pEdit = ControlAs<QPlainTextEdit>(IDC_WELCOME_INTRO)) {
        pEdit->setPlainText(ToWidgetText(m_strIntro));
        pEdit->setEnabled(true);
    }
}

void CWelcome::OnSetActive() {
    m_app.m_pWizard->PostWizardButtons(PSWIZB_NEXT);
}
