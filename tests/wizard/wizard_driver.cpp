// A scripted user for vanto-update's own start-up, clicking and answering boxes from
// timers. VANTO_DRIVER_SCRIPT: leave-during-scan or leave-during-programming (Cancel,
// Yes while the worker runs). It prints "yes" right after Yes, and the port's state once
// the wizard is gone.
#include <QtWidgets>
#include <cstdio>

#include "app/startup/init_instance.h"
#include "app/updater_app.h"
#include "wizard/kesta_wizard.h"

CUpdaterApp theApp;

namespace {

// Yes to the exit question, OK to a result box.
void AnswerBoxes() {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        auto* pBox = qobject_cast<QMessageBox*>(pWidget);
        if (pBox != nullptr && pBox->isVisible()) {
            const bool bQuestion = pBox->button(QMessageBox::Yes) != nullptr;
            pBox->button(bQuestion ? QMessageBox::Yes : QMessageBox::Ok)->click();
            std::printf(bQuestion ? "yes\n" : "ok\n");
        }
    }
}

// One look at the wizard, one click. A scan that missed the device (a late
// reply on a loaded machine) is simply started again.
void ClickOn(const QString& strScript) {
    auto* pWizard = static_cast<CKestaWizard*>(theApp.m_pWizard);
    if (pWizard == nullptr || !pWizard->isVisible()) {
        return;
    }
    const bool bIdle = !pWizard->IsWorkerRunning();
    const int nPage = pWizard->ActivePageIndex();
    const bool bDone = nPage == 1 ? theApp.m_bDeviceFound != 0 : theApp.m_bUpdateDone != 0;
    const bool bLeave = (strScript == "leave-during-scan" && !bIdle &&
                         theApp.m_pEngine->m_pPort->PortNumber() == 3) ||
                        (strScript == "leave-during-programming" &&
                         pWizard->ProgTargetPage().Procedure().m_nBlocksDone > 3);
    QWidget* pButton = bLeave ? pWizard->CancelButton()
                       : nPage == 0 || (bIdle && bDone)
                           ? (nPage == 2 ? pWizard->FinishButton() : pWizard->NextButton())
                       : !bIdle     ? nullptr
                       : nPage == 1 ? pWizard->SetupPage().Control(1028)
                                    : pWizard->ProgTargetPage().Control(1016);
    if (pButton != nullptr) {
        static_cast<QAbstractButton*>(pButton)->click();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // each line out at once
    const QString strScript = qEnvironmentVariable("VANTO_DRIVER_SCRIPT");
    QTimer boxes, clicks;  // two: while Cancel waits for its answer, its timer waits too
    QObject::connect(&boxes, &QTimer::timeout, &AnswerBoxes);
    QObject::connect(&clicks, &QTimer::timeout, [&] { ClickOn(strScript); });
    boxes.start(20);
    clicks.start(20);
    InitInstance(theApp);
    std::printf("wizard closed, port %s\n",
                theApp.m_pEngine->m_pPort->IsOpen() ? "open" : "closed");
    return EndInstance(theApp);
}
