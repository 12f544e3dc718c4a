#pragma once

#include <QString>
#include <QWidget>
#include <map>
#include <set>

#include "res/dialog_template.h"

class CUpdaterApp;

// One page of the wizard, built from its dialog template. The controls are
// created the first time the page becomes active, so OnInitDialog runs once,
// before the first OnSetActive; OnSetActive runs on every activation.
class CWizardPage : public QWidget {
public:
    CWizardPage(CUpdaterApp& app, int nTemplateId, std::set<int> colorStatics = {});

    // Caption of the template: the wizard's title while the page is active.
    QString Caption() const;
    QSize TemplateSize() const;

    // Called by the sheet whenever the page becomes the active page.
    void Activate();

    // A control by template id; nullptr before the page was first activated.
    QWidget* Control(int nId) const;
    template <class T>
    T* ControlAs(int nId) const {
        return qobject_cast<T*>(Control(nId));
    }
    // The first control in template order that Tab reaches, when it can take
    // the focus now; nullptr when there is none (the welcome page).
    QWidget* FirstTabStop() const;

protected:
    virtual void OnCreated(const std::map<int, QWidget*>&) {}
    virtual void OnInitDialog() = 0;
    virtual void OnSetActive() = 0;

    // Gives a control one of the application's nine shared fonts.
    void ApplyFont(int nId, int nFont);
    // The first tab stop takes the focus back when it is enabled again while
    // the focus waits outside the page (on Cancel during a run).
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    CUpdaterApp& m_app;

private:
    const DIALOG_TEMPLATE& m_template;
    std::set<int> m_colorStatics;
    std::map<int, QWidget*> m_controls;
    bool m_bCreated = false;
};
