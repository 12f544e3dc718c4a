#pragma once

#include <QIcon>
#include <string>

#include "res/control_ids.h"
#include "wizard/wizard_page.h"

// The first page: a title, the read-only introduction and a hint line. It
// starts nothing and offers only Next.
class CWelcome : public CWizardPage {
public:
    explicit CWelcome(CUpdaterApp& app);

    // The introduction as written into the text box, "\r\n" kept.
    const std::string& IntroText() const { return m_strIntro; }
    const QIcon& Icon() const { return m_hIcon; }

protected:
    void OnInitDialog() override;
    void OnSetActive() override;

private:
    QIcon m_hIcon;
    std::string m_strIntro;
};
