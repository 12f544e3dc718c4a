// The test rig of the wizard's QtTest suites: the wizard as vanto-update builds
// it, on real pseudo-terminals (a bare one as COM1, or the simulated device as
// COM3, COM1 and COM2 absent), a message-box answerer and a compact view of
// the wizard's buttons.
#pragma once

#include "tests/support/devsim_process.h"  // before Qt, whose macros include "signals"
#include "tests/support/pty_pair.h"
#include "tests/support/update_files.h"

#include <QtTest>
#include <QtWidgets>

#include "app/updater_app.h"
#include "wizard/kesta_wizard.h"

// Before QTEST_MAIN's main: never the machine's own serial devices, no display.
[[maybe_unused]] static const bool g_bTestEnvironment =
    setenv("VANTO_COM_PORTS", "", 0) == 0 && setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0;

inline const QString kSetup = "Setup Serial Connection and Scan Device ";

// A click at the widget's centre, sent to its top-level window: Qt's own
// hit-testing decides which control takes it, as under a person's mouse.
inline QPoint CentreInWindow(QWidget* pWidget) {
    return pWidget->mapTo(pWidget->window(), pWidget->rect().center());
}
inline void Click(QWidget* pButton) {
    QTest::mouseClick(pButton->window()->windowHandle(), Qt::LeftButton, {},
                      CentreInWindow(pButton));
    QCoreApplication::processEvents();
}

// Keys sent to the window, delivered to whatever has the focus: nTabs times Tab,
// then Space on the focused control.
inline void Press(QWidget* pWindow, int nTabs) {
    for (int n = 0; n < nTabs; ++n) {
        QTest::keyClick(pWindow->windowHandle(), Qt::Key_Tab);
    }
    QTest::keyClick(pWindow->windowHandle(), Qt::Key_Space);
}

inline QString BoxText(const QString& strCaption, const QString& strText, int nIcon, int nButtons) {
    return strCaption + " | " + strText +
           QString(" | icon %1 | buttons %2").arg(nIcon).arg(nButtons);
}

// Whether the box is narrower than its caption in a bold title font with room beside
// it for the title bar's icon and buttons (a short text must leave no "VA...ing").
inline bool CutsItsCaption(const QMessageBox& box) {
    QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    title.setBold(true);
    const QFontMetrics metrics(title);
    return box.width() < metrics.horizontalAdvance(box.windowTitle()) + 4 * metrics.height();
}

// Answers each message box (from a timer: a box runs its own event loop) and notes it,
// marked where it cuts its caption.
struct CBoxAnswerer : QTimer {
    CBoxAnswerer() {
        connect(this, &QTimer::timeout, [this] {
            auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (pBox == nullptr || (m_bHoldQuestion && pBox->objectName() == "exitQuestion" &&
                                    ++m_nHeldTicks < 500)) {  // held for about 10 s
                return;
            }
            m_onBox();
            m_defaults << (pBox->defaultButton() ? pBox->defaultButton()->text() : "");
            m_seen << BoxText(pBox->windowTitle(), pBox->text(), pBox->icon(),
                              pBox->standardButtons()) +
                          (CutsItsCaption(*pBox) ? " | caption cut" : "");
            QAbstractButton* pButton = pBox->button(QMessageBox::StandardButton(m_nAnswer));
            (pButton != nullptr ? pButton : pBox->buttons().value(0))->click();
        });
        start(20);
    }
    int m_nAnswer = QMessageBox::Ok;
    bool m_bHoldQuestion = false;  // the exit question stays open, as a person thinks it over
    int m_nHeldTicks = 0;
    QStringList m_seen, m_defaults;
    std::function<void()> m_onBox = [] {};
};

class CWizardRig : public QObject {
protected:
    void InitRig() { qputenv("VANTO_COM_PORTS", QByteArray::fromStdString(m_pty.SlavePath())); }
    void CleanupRig() {
        m_pAnswerer.reset();
        m_pWizard.reset();
        m_pApp.reset();  // a device and its folder stay till the next or the end
    }
    // The wizard as vanto-update builds it, shown; the pages' texts must be written on
    // the user-interface thread, whatever thread sent them.
    void StartWizard() {
        m_pAnswerer.reset();
        m_pWizard.reset();  // before the application it uses
        m_pApp = std::make_unique<CUpdaterApp>();
        m_pApp->CreateFonts();
        m_pApp->CreateEngine();
        m_pWizard = std::make_unique<CKestaWizard>(*m_pApp, QString(), nullptr, 0);
        m_pApp->m_pWizard = m_pWizard.get();
        m_pAnswerer = std::make_unique<CBoxAnswerer>();
        for (CQtPageControls* p :
             {&W().SetupPage().PageControls(), &W().ProgTargetPage().PageControls()}) {
            connect(
                p, &CQtPageControls::textWritten, this,
                [] { QVERIFY(QThread::currentThread() == qApp->thread()); }, Qt::DirectConnection);
        }
        m_pWizard->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pWizard.get()));
    }
    CKestaWizard& W() { return *m_pWizard; }
    bool IsPortOpen() { return m_pApp->m_pEngine->m_pPort->IsOpen(); }
    // The title and the buttons Back, Next, Finish, Cancel by their first letter:
    // capital when enabled, small when disabled, "-" when hidden.
    QString Screen() {
        QString strScreen = W().windowTitle() + " ";
        for (QPushButton* p :
             {W().BackButton(), W().NextButton(), W().FinishButton(), W().CancelButton()}) {
            const QChar cLetter = p->text().remove('<').remove('&').trimmed()[0];
            strScreen += p->isVisible() ? (p->isEnabled() ? cLetter : cLetter.toLower()) : '-';
        }
        return strScreen;
    }
    // vanto-devsim as COM3; in a new working folder an update file of nRecords 16-byte
    // records and the cabling picture.
    void StartDevice(const std::vector<std::string>& args, int nRecords, bool bPicture = true) {
        m_pDevsim = std::make_unique<CDevsimProcess>();
        QVERIFY(m_pDevsim->Start(args));
        qputenv("VANTO_COM_PORTS", QByteArray::fromStdString("::" + m_pDevsim->LinkPath()));
        m_pDir = std::make_unique<CTempDir>();
        WriteIntelHexFile(m_pDir->File("kst.hex"), 0x4000, PatternBytes(16 * size_t(nRecords)));
        if (bPicture) {
            QFile::copy(VANTO_SOURCE_DIR "/scripts/demo/kst_PC.bmp",
                        m_pDir->File("kst_PC.bmp").c_str());
        }
        QDir::setCurrent(m_pDir->Path().c_str());
    }
    PtyPair m_pty;  // COM1 when no device is wanted
    std::unique_ptr<CDevsimProcess> m_pDevsim;
    std::unique_ptr<CTempDir> m_pDir;
    std::unique_ptr<CUpdaterApp> m_pApp;
    std::unique_ptr<CKestaWizard> m_pWizard;
    std::unique_ptr<CBoxAnswerer> m_pAnswerer;
};
