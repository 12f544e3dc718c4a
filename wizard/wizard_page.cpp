#include "wizard/wizard_page.h"

#include <QEvent>
#include <cstdlib>

#include "app/updater_app.h"
#include "wizard/page_builder.h"
#include "wizard/qt_fonts.h"

namespace {
const DIALOG_TEMPLATE& TemplateOf(int nId) {
    const DIALOG_TEMPLATE* pTemplate = FindDialogTemplate(nId);
    if (pTemplate == nullptr) {
        std::abort();  // a page class names a template that res/ does not hold
    }
    return *pTemplate;
}
}  // namespace

CWizardPage::CWizardPage(CUpdaterApp& app, int nTemplateId, std::set<int> colorStatics)
    : m_app(app), m_template(TemplateOf(nTemplateId)), m_colorStatics(std::move(colorStatics)) {
    setFixedSize(TemplateSize());
}

QString CWizardPage::Caption() const {
    return QString::fromUtf8(m_template.pszCaption);
}

QSize CWizardPage::TemplateSize() const {
    return DialogSizeToPixels(m_template.cx, m_template.cy);
}

QWidget* CWizardPage::Control(int nId) const {
    auto it = m_controls.find(nId);
    return it == m_controls.end() ? nullptr : it->second;
}

void CWizardPage::Activate() {
    if (!m_bCreated) {
        m_bCreated = true;
        m_controls = BuildControls(m_template, this, m_colorStatics);
        OnCreated(m_controls);
        OnInitDialog();
        for (const CONTROL_TEMPLATE& ctl : m_template.controls) {
            Control(ctl.nId)->installEventFilter(this);
        }
    }
    OnSetActive();
    // As a dialog does, the page's first tab stop gets the focus.
    if (QWidget* pFirst = FirstTabStop()) {
        pFirst->setFocus(Qt::TabFocusReason);
    }
}

QWidget* CWizardPage::FirstTabStop() const {
    for (const CONTROL_TEMPLATE& ctl : m_template.controls) {
        QWidget* pControl = Control(ctl.nId);
        if (pControl != nullptr && (pControl->focusPolicy() & Qt::TabFocus) &&
            pControl->isEnabled() && !pControl->isHidden()) {
            return pControl;
        }
    }
    return nullptr;
}

bool CWizardPage::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::EnabledChange && isVisible() && pWatched == FirstTabStop()) {
        const QWidget* pFocus = window()->focusWidget();
        if (pFocus == nullptr || !isAncestorOf(pFocus)) {
            static_cast<QWidget*>(pWatched)->setFocus(Qt::TabFocusReason);
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void CWizardPage::ApplyFont(int nId, int nFont) {
    if (QWidget* pControl = Control(nId)) {
        pControl->setFont(MakeQFont(m_app.m_fonts.at(static_cast<size_t>(nFont))));
    }
}
