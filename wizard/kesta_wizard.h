#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <vector>

#include "app/wizard_sheet.h"
#include "wizard/procedures/procedure_exit.h"
#include "wizard/prog_target_page.h"
#include "wizard/setup_page.h"
#include "wizard/ui_invoker.h"
#include "wizard/welcome.h"

class CUpdaterApp;
class QPushButton;
class QStackedWidget;

// The wizard: a page area with the three pages and the Back, Next, Finish
// and Cancel buttons, behaving like a property-sheet wizard. The title bar
// shows the active page's caption; there is no Help button.
class CKestaWizard : public QDialog, public IWizardSheet {
public:
    // The start-up passes an empty caption, no parent and page 0.
    CKestaWizard(CUpdaterApp& app, const QString& strCaption, QWidget* pParent,
                 unsigned nSelectPage);
    ~CKestaWizard() override;

    // Asks "Are you sure you want to exit ?" unless the update is done (No
    // is the default while a run is in progress). On Yes, or without the
    // question, leaves through CProcedureExit (a scan stops, a run in
    // progress is ended on the device, the port is closed) and returns true;
    // on No nothing changes and it returns false.
    bool ConfirmCancel();

    void PostWizardButtons(unsigned nFlags) override;
    void PostPageButtons(int nPage, unsigned nFlags) override;
    // Withdraws Cancel and closes an exit question that is still open: after
    // a successful update there is nothing left to leave from.
    void CancelToClose() override;

    // True while a scan or programming thread has not ended yet.
    bool IsWorkerRunning() const;

    // Where a window frame goes so that it lies inside the area; a frame
    // larger than the area keeps its bottom right corner, where the wizard
    // buttons are, in view.
    static QPoint PlaceOnScreen(const QRect& frame, const QRect& area);

    int ActivePageIndex() const;
    void SetActivePage(int nIndex);
    // Every request applied, in order (the last one is the current state).
    const std::vector<unsigned>& AppliedRequests() const { return m_appliedRequests; }

    CWelcome& WelcomePage() { return m_pageWelcome; }
    CSetupPage& SetupPage() { return m_pageSetup; }
    CProgTargetPage& ProgTargetPage() { return m_pageProgTarget; }
    QPushButton* BackButton() const { return m_pBack; }
    QPushButton* NextButton() const { return m_pNext; }
    QPushButton* FinishButton() const { return m_pFinish; }
    QPushButton* CancelButton() const { return m_pCancel; }

public:
    // Cancel, Esc and the window's close box all come here.
    void reject() override;

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    void BuildButtonRow();
    // Moves the whole window onto the screen's available area.
    void KeepOnScreen();
    void ApplyWizardButtons(unsigned nFlags);
    CWizardPage& Page(int nIndex);

    CUpdaterApp& m_app;
    QStackedWidget* m_pStack = nullptr;
    QPushButton* m_pBack = nullptr;
    QPushButton* m_pNext = nullptr;
    QPushButton* m_pFinish = nullptr;
    QPushButton* m_pCancel = nullptr;
    unsigned m_nSelectPage;
    bool m_bStarted = false;
    bool m_bFocusDefaultButton = false;
    std::vector<unsigned> m_appliedRequests;
    QPointer<QMessageBox> m_pExitQuestion;  // while the exit question is open
    CUiInvoker m_invoker{this};

    CWelcome m_pageWelcome;
    CSetupPage m_pageSetup;
    CProgTargetPage m_pageProgTarget;
    CProcedureExit m_exit;
};
