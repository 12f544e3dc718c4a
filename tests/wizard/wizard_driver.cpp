// A scripted user for the real start-up of vanto-update: the same
// InitInstance and EndInstance, with a timer that clicks through the wizard.
//
//   VANTO_DRIVER_SCRIPT=leave-during-scan         scan, then Cancel and Yes while it runs
//   VANTO_DRIVER_SCRIPT=leave-during-programming  program, then Cancel and Yes mid-run
//   VANTO_DRIVER_SCRIPT=screenshots               scan and program, saving the window to
//                                                 $VANTO_SCREENSHOT_DIR/wizard-*.png
//
// Prints one line per step; "yes" is printed right after Yes was clicked, so
// a test can time how long the process takes to end from there.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/init_instance.h"
#include "app/updater_app.h"
#include "wizard/kesta_wizard.h"

CUpdaterApp theApp;

namespace {

CKestaWizard* Wizard() {
    return static_cast<CKestaWizard*>(theApp.m_pWizard);
}

void Say(const char* pszLine) {
    std::printf("%s\n", pszLine);
    std::fflush(stdout);
}

void Click(QWidget* pWidget) {
    static_cast<QAbstractButton*>(pWidget)->click();
}

// Answers message boxes: Yes to the exit question, OK to a result box.
void AnswerBoxes() {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        auto* pBox = qobject_cast<QMessageBox*>(pWidget);
        if (pBox == nullptr || !pBox->isVisible()) {
            continue;
        }
        if (QAbstractButton* pYes = pBox->button(QMessageBox::Yes)) {
            pYes->click();
            Say("yes");
        } else if (QAbstractButton* pOk = pBox->button(QMessageBox::Ok)) {
            Say("ok");
            pOk->click();
        }
    }
}

// A step is a condition to wait for and an action; the script runs them in order.
struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
};

// True once a scan found the device. A scan that missed it (a machine under
// heavy load can make the device's reply late) is started again.
bool ScanDone() {
    if (Wizard()->SetupPage().IsWorkerRunning()) {
        return false;
    }
    if (theApp.m_bDeviceFound == 0) {
        Say("scan again");
        Click(Wizard()->SetupPage().Control(1028));
        return false;
    }
    return true;
}

void SaveWindow(const char* pszName) {
    const QString strDir = qEnvironmentVariable("VANTO_SCREENSHOT_DIR", ".");
    Wizard()->grab().save(strDir + "/" + pszName);
    Say(pszName);
}

std::vector<Step> ScanSteps() {
    return {
        {[] { return Wizard() != nullptr && Wizard()->isVisible(); },
         [] { Click(Wizard()->NextButton()); }},
        {[] { return Wizard()->ActivePageIndex() == 1; },
         [] { Click(Wizard()->SetupPage().Control(1028)); }},
    };
}

std::vector<Step> ProgrammingSteps() {
    std::vector<Step> steps = ScanSteps();
    steps.push_back({ScanDone, [] { Click(Wizard()->NextButton()); }});
    steps.push_back({[] { return Wizard()->ActivePageIndex() == 2; },
                     [] { Click(Wizard()->ProgTargetPage().Control(1016)); }});
    return steps;
}

std::vector<Step> Script(const std::string& strName) {
    std::vector<Step> steps;
    if (strName == "leave-during-scan") {
        steps = ScanSteps();
        steps.push_back({[] { return theApp.m_pEngine->m_pPort->PortNumber() == 3; },
                         [] { Click(Wizard()->CancelButton()); }});
    } else if (strName == "leave-during-programming") {
        steps = ProgrammingSteps();
        steps.push_back({[] { return Wizard()->ProgTargetPage().Procedure().m_nBlocksDone > 3; },
                         [] { Click(Wizard()->CancelButton()); }});
    } else if (strName == "screenshots") {
        steps = ScanSteps();
        steps.push_back({ScanDone, [] { SaveWindow("wizard-scan.png"); }});
        steps.push_back({[] { return true; }, [] { Click(Wizard()->NextButton()); }});
        steps.push_back({[] { return Wizard()->ActivePageIndex() == 2; },
                         [] { Click(Wizard()->ProgTargetPage().Control(1016)); }});
        steps.push_back({[] {
                             return theApp.m_bUpdateDone != 0 &&
                                    !Wizard()->ProgTargetPage().IsWorkerRunning();
                         },
                         [] { SaveWindow("wizard-programmed.png"); }});
        steps.push_back({[] { return true; }, [] { Click(Wizard()->FinishButton()); }});
    }
    return steps;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::vector<Step> steps =
        Script(qEnvironmentVariable("VANTO_DRIVER_SCRIPT").toStdString());
    size_t nNext = 0;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, &AnswerBoxes);
    boxes.start(20);
    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        if (nNext < steps.size() && steps[nNext].ready()) {
            std::printf("step %zu\n", nNext);
            std::fflush(stdout);
            steps[nNext++].act();  // may run a nested loop (the exit question)
        }
    });
    script.start(20);
    InitInstance(theApp);
    Say("wizard closed");
    return EndInstance(theApp);
}
