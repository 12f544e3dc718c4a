// A scripted user for vanto-update's own start-up (InitInstance, EndInstance):
// one timer clicks its way through the wizard, another answers its boxes.
//   VANTO_DRIVER_SCRIPT=leave-during-scan         scan, then Cancel and Yes while it runs
//   VANTO_DRIVER_SCRIPT=leave-during-programming  program, then Cancel and Yes mid-run
//   VANTO_DRIVER_SCRIPT=screenshots               scan and program, saving the window to
//                                                 $VANTO_SCREENSHOT_DIR/wizard-*.png
// It prints "yes" right after Yes, and the port's state once the wizard is gone.
#include <QtWidgets>
#include <cstdio>

#include "app/init_instance.h"
#include "app/updater_app.h"
#include "wizard/kesta_wizard.h"

CUpdaterApp theApp;

namespace {

void Click(QWidget* pButton) {
    static_cast<QAbstractButton*>(pButton)->click();
}

// Yes to the exit question, OK to a result box.
void AnswerBoxes() {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        auto* pBox = qobject_cast<QMessageBox*>(pWidget);
        if (pBox != nullptr && pBox->isVisible()) {
            const bool bQuestion = pBox->button(QMessageBox::Yes) != nullptr;
            pBox->button(bQuestion ? QMessageBox::Yes : QMessageBox::Ok)->click();
            std::printf(bQuestion ? "yes\n" : "ok\n");
            std::fflush(stdout);
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
    const auto save = [&](const char* pszName) {
        if (strScript == "screenshots") {
            pWizard->grab().save(qEnvironmentVariable("VANTO_SCREENSHOT_DIR", ".") + "/" + pszName);
        }
    };
    const bool bRunning = pWizard->IsWorkerRunning();
    const int nPage = pWizard->ActivePageIndex();
    if ((strScript == "leave-during-scan" && bRunning &&
         theApp.m_pEngine->m_pPort->PortNumber() == 3) ||
        (strScript == "leave-during-programming" &&
         pWizard->ProgTargetPage().Procedure().m_nBlocksDone > 3)) {
        Click(pWizard->CancelButton());
    } else if (nPage == 0) {
        Click(pWizard->NextButton());
    } else if (nPage == 1 && !bRunning && theApp.m_bDeviceFound) {
        save("wizard-scan.png");
        Click(pWizard->NextButton());
    } else if (nPage == 1 && !bRunning) {
        Click(pWizard->SetupPage().Control(1028));
    } else if (nPage == 2 && !bRunning && theApp.m_bUpdateDone) {
        save("wizard-programmed.png");
        Click(pWizard->FinishButton());
    } else if (nPage == 2 && !bRunning) {
        Click(pWizard->ProgTargetPage().Control(1016));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString strScript = qEnvironmentVariable("VANTO_DRIVER_SCRIPT");
    QTimer boxes, clicks;  // two: while Cancel waits for its answer, its timer waits too
    QObject::connect(&boxes, &QTimer::timeout, &AnswerBoxes);
    QObject::connect(&clicks, &QTimer::timeout, [&] { ClickOn(strScript); });
    boxes.start(20);
    clicks.start(20);
    InitInstance(theApp);
    std::printf("wizard closed, port %s\n",
                theApp.m_pEngine->m_pPort->IsOpen() ? "open" : "closed");
    std::fflush(stdout);
    return EndInstance(theApp);
}
