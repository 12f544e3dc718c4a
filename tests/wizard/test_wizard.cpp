// The wizard's road and its exits: button requests, the result box, the exit
// question, the pages' texts and a whole update, on real pseudo-terminals and
// the simulated device; and the program's start-up and end, left mid-run.
#include "tests/wizard/wizard_rig.h"

#include <thread>

#include "app/startup/init_instance.h"
#include "tests/support/expected_texts.h"
#include "wizard/color_static.h"

class TestWizard : public CWizardRig {
    Q_OBJECT

private slots:
    void init() { InitRig(); }
    void cleanup() { CleanupRig(); }

    // Posted requests take effect after the handler returns, each as its row says; those
    // posted from a worker are applied on the user-interface thread, in order.
    void buttonRequestsAfterTheHandlerInOrder() {
        StartWizard();
        const std::pair<unsigned, const char*> rows[] = {{0, "bn-C"}, {1, "Bn-C"}, {2, "bN-C"},
                                                         {3, "BN-C"}, {4, "b-FC"}, {5, "B-FC"},
                                                         {6, "b-FC"}, {8, "b-fC"}, {9, "B-fC"}};
        for (const auto& [nFlags, pszButtons] : rows) {
            const std::vector<unsigned> before = W().AppliedRequests();
            W().PostWizardButtons(nFlags);
            QCOMPARE(W().AppliedRequests(), before);
            QCoreApplication::processEvents();
            QCOMPARE(std::pair(nFlags, Screen().right(4)), std::pair(nFlags, QString(pszButtons)));
        }
        const size_t nBefore = W().AppliedRequests().size();
        std::vector<unsigned> posted(1000);  // every combination, over and over
        std::generate(posted.begin(), posted.end(), [n = 0u]() mutable { return n++ % 16; });
        std::thread worker([&] {
            for (unsigned nFlags : posted) {
                W().PostWizardButtons(nFlags);
            }
        });
        QTRY_COMPARE_WITH_TIMEOUT(W().AppliedRequests().size(), nBefore + posted.size(), 10000);
        worker.join();
        QCOMPARE(
            std::vector(W().AppliedRequests().begin() + long(nBefore), W().AppliedRequests().end()),
            posted);
    }

    // The result box holds the worker until closed; a sheet going away lets it go.
    void resultBoxHoldsTheWorkerUntilClosedOrDetached() {
        StartWizard();
        CQtPageControls& controls = W().SetupPage().PageControls();
        std::atomic<int> nStage{0}, nStageWhileOpen{-1};  // 1 box closed, 2 go on
        m_pAnswerer->m_onBox = [&] { nStageWhileOpen = nStage.load(); };
        std::thread worker([&] {
            controls.ShowMessageBox("line 1\r\nline 2", kResultCaption);
            for (nStage = 1; nStage != 2;) {
                std::this_thread::yield();
            }
            controls.ShowMessageBox("never shown", kResultCaption);
        });
        QTRY_VERIFY_WITH_TIMEOUT(nStage == 1, 5000);
        nStage = 2;
        QTest::qSleep(100);  // the second box is queued; no events are processed here
        controls.Detach();
        worker.join();
        QTest::qWait(100);
        QCOMPARE(nStageWhileOpen.load(), 0);
        QCOMPARE(m_pAnswerer->m_seen, QStringList{BoxText(kResultCaption, "line 1\nline 2",
                                                          QMessageBox::NoIcon, QMessageBox::Ok)});
    }

    // Cancel, Esc, close box: asked first (not after an update); No keeps all, Yes closes.
    // (The question in a scan or a run: leavingEndsTheProgram.)
    void exitQuestion() {
        const QString strQuestion = BoxText(kExitCaption, kExitQuestion, QMessageBox::Question,
                                            QMessageBox::Yes | QMessageBox::No);
        const std::function<void()> ways[] = {[this] { Click(W().CancelButton()); },
                                              [this] { QTest::keyClick(&W(), Qt::Key_Escape); },
                                              [this] { W().close(); }};
        for (int nCase = 0; nCase < 9; ++nCase) {  // each way, No and Yes, then after an update
            const bool bYes = nCase / 3 == 1, bUpdateDone = nCase >= 6;
            StartWizard();
            m_pApp->m_bUpdateDone = bUpdateDone;
            W().SetActivePage(1);
            QCoreApplication::processEvents();
            const QString strBefore = Screen();
            const std::vector<unsigned> requests = W().AppliedRequests();
            m_pAnswerer->m_nAnswer = bYes ? QMessageBox::Yes : QMessageBox::No;
            ways[nCase % 3]();
            QCoreApplication::processEvents();
            QCOMPARE(QString::number(nCase) + m_pAnswerer->m_seen.join("") +
                         (W().isVisible() ? Screen() : "closed"),
                     QString::number(nCase) + (bUpdateDone ? "" : strQuestion) +
                         (bYes || bUpdateDone ? "closed" : strBefore));
            QVERIFY(W().AppliedRequests() == requests && IsPortOpen() == W().isVisible());
            QCOMPARE(m_pAnswerer->m_defaults.join(""), QString(bUpdateDone ? "" : "&Yes"));
        }
    }

    // The introduction cannot be typed over; the icon comes in every size a desktop asks
    // for; a folder without the cabling picture leaves its frame empty. The status label
    // paints blue text on the page colour, also after the procedure changes the text.
    void pagesAsDrawn() {
        StartDevice({}, 0, false);
        StartWizard();
        QCOMPARE(W().windowIcon().availableSizes(),  // each size a desktop asks for
                 (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}}));
        auto* pIntro = W().WelcomePage().ControlAs<QPlainTextEdit>(1039);
        pIntro->setFocus();
        QTest::keyClicks(pIntro, "typed");  // read-only
        QCOMPARE(pIntro->toPlainText(),
                 QString::fromStdString(BuildIntroText()).replace("\r\n", "\n"));
        W().SetActivePage(1);
        QVERIFY(W().SetupPage().ControlAs<QLabel>(1006)->pixmap().isNull());
        W().SetActivePage(2);  // "Ready to update the device now."
        auto* pStatus = dynamic_cast<CColorStatic*>(W().ProgTargetPage().Control(1015));
        const auto countBlue = [pStatus] {
            const QImage image = pStatus->grab().toImage().convertToFormat(QImage::Format_RGB32);
            int nCount = 0;  // the strokes, not their anti-aliased edges
            for (int nPixel = 0; nPixel < image.width() * image.height(); ++nPixel) {
                const QRgb rgb = image.pixel(nPixel % image.width(), nPixel / image.width());
                nCount += qBlue(rgb) > 230 && qRed(rgb) < 40 && qGreen(rgb) < 40 ? 1 : 0;
            }
            return nCount;
        };
        QCOMPARE(pStatus->grab().toImage().pixel(0, 0),
                 ColorFromColorRef(pStatus->BackColor()).rgb());
        QVERIFY(countBlue() > 20);
        W().ProgTargetPage().PageControls().SetText(1015, kProgRunning + std::string("\r\n."));
        QCoreApplication::processEvents();
        QCOMPARE(pStatus->text(), kProgRunning + QString("\n."));  // the label's line break
        QVERIFY(countBlue() > 20);
    }

    // A whole update as a person may do it: the mouse, and the keyboard where one may use
    // it (each key sent to the window and delivered to whatever has the focus, Space on the
    // focused control, Tab on). A scan goes on while the user goes Back or Next: its request
    // for Back and Next is for the setup page alone, and Start says why it waits for the
    // scan. A second Start during the run (a double click, then a press that reaches the
    // handler) changes nothing at all. The exit question asked during the run is still open
    // when the run succeeds: the wizard answers it No itself, and stays with Finish alone,
    // which took the focus from Cancel.
    void successfulUpdate() {
        // The first scan waits 1.6 s on COM3 (eight identify frames unanswered); every reply
        // takes 100 ms, so a later scan and each of the 6 blocks (the last one short) too.
        StartDevice({"--answer-identify-from", "9", "--reply-delay", "100"}, 5 * 16 + 1);
        StartWizard();
        const auto state = [this] {  // the screen and the programming page's status
            const std::string strStatus = W().ProgTargetPage().PageControls().Text(1015);
            return Screen() + QString::fromStdString(strStatus.empty() || strStatus == kProgReady
                                                         ? ""
                                                         : " " + strStatus);
        };
        const auto idle = [this] {
            const bool bIdle = QTest::qWaitFor([this] { return !W().IsWorkerRunning(); }, 30000);
            QTest::qWait(50);  // the posted button requests
            return bIdle;
        };
        const QString strWelcome = "Welcome to VANTO Update bN-C";
        QCOMPARE(state(), strWelcome);
        Press(&W(), 0);  // Next
        QCOMPARE(state(), kSetup + "Bn-C");
        QVERIFY(!W().SetupPage().ControlAs<QLabel>(1006)->pixmap().isNull());
        QVERIFY(!W().SetupPage().Control(1031)->isVisible());  // the log shows once a scan ran
        Press(&W(), 0);                                        // Scan Device
        Click(W().BackButton());
        QCOMPARE(state(), strWelcome);
        QVERIFY(idle());
        QCOMPARE(state(), strWelcome);  // the device was found meanwhile
        Click(W().NextButton());
        QCOMPARE(W().SetupPage().ControlAs<QPlainTextEdit>(1031)->toPlainText(),
                 QString::fromStdString(ScanLog(1, "aad")).replace("\r\n", "\n"));
        QCOMPARE(state() + QString::number(m_pApp->m_pEngine->m_pPort->PortNumber()) +
                     (W().SetupPage().Control(1031)->isVisible() ? ", log" : ""),
                 kSetup + "BN-C3, log");
        QVERIFY(!W().IsWorkerRunning());       // no new scan on the way back
        Click(W().SetupPage().Control(1028));  // a second scan; during it Next and Start
        Press(&W(), 3);                        // the log, Back, Next
        QWidget* pStart = W().ProgTargetPage().Control(1016);  // made with its page
        Click(pStart);
        const QString strWaiting = QString("Programming Target B-fC ") + kScanStillRunning;
        QCOMPARE(state(), strWaiting);
        QVERIFY(!W().ProgTargetPage().Control(1013)->isVisible());  // the progress bar: in a run
        QVERIFY(idle());
        QCOMPARE(state(), strWaiting);
        QTest::mouseDClick(W().windowHandle(), Qt::LeftButton, {}, CentreInWindow(pStart));
        QVERIFY(QTest::qWaitFor(
            [this] { return W().ProgTargetPage().Procedure().m_nBlocksDone >= 2; }, 10000));
        emit static_cast<QPushButton*>(pStart)->clicked();
        m_pAnswerer->m_bHoldQuestion = true;
        Click(W().CancelButton());  // returns once the question is closed
        QVERIFY(W().isVisible() && m_pApp->m_bUpdateDone);
        QVERIFY(idle());
        // One run: each block once, the commit, no abort.
        QCOMPARE(m_pDevsim->CountOutputLines("BLOCK ") * 10 + m_pDevsim->CountOutputLines("FINISH"),
                 61);
        QCOMPARE(m_pAnswerer->m_seen, QStringList{BoxText(kResultCaption, kResultUpdated,
                                                          QMessageBox::NoIcon, QMessageBox::Ok)});
        // Done: Finish alone, the run's controls put away.
        QCOMPARE(state(), QString("Programming Target b-Fc ") + kResultUpdated);
        auto* pBar = W().ProgTargetPage().ControlAs<QProgressBar>(1013);
        QCOMPARE(pBar->value() * 100 + pBar->maximum(), 606);  // the last position at the top
        QVERIFY(!pBar->isVisible() && !W().ProgTargetPage().Control(1014)->isVisible() &&
                !pStart->isEnabled());
        m_pAnswerer->m_seen.clear();
        Press(&W(), 0);  // Finish: no question; the port stays open till the program ends
        QVERIFY(!W().isVisible() && m_pAnswerer->m_seen.isEmpty() && IsPortOpen());
    }

    // The program's own start-up and end, left with Cancel and Yes in a scan (silent
    // device) and a run (slow flash writes), clicked from a timer as a person would: the
    // port is closed (what the device is told is the procedures' tests'), and the end waits
    // for the workers.
    void leavingEndsTheProgram() {
        for (const bool bRun : {false, true}) {
            StartDevice({bRun ? "--reply-delay" : "--answer-identify-from", bRun ? "40" : "1000"},
                        1280);
            m_pApp = std::make_unique<CUpdaterApp>();
            m_pAnswerer = std::make_unique<CBoxAnswerer>();
            m_pAnswerer->m_nAnswer = QMessageBox::Yes;
            QTimer clicks;  // a scan that missed the device (a late reply) is simply run again
            connect(&clicks, &QTimer::timeout, [&] {
                auto& wizard = *static_cast<CKestaWizard*>(m_pApp->m_pWizard);
                const bool bIdle = !wizard.IsWorkerRunning(), bFound = m_pApp->m_bDeviceFound;
                const int nPage = wizard.ActivePageIndex();
                const bool bLeave = bRun ? wizard.ProgTargetPage().Procedure().m_nBlocksDone > 3
                                         : !bIdle && m_pApp->m_pEngine->m_pPort->PortNumber() == 3;
                QWidget* pButton = bLeave ? wizard.CancelButton()
                                   : nPage == 0 || (nPage == 1 && bIdle && bFound)
                                       ? wizard.NextButton()
                                   : !bIdle     ? nullptr
                                   : nPage == 1 ? wizard.SetupPage().Control(1028)
                                                : wizard.ProgTargetPage().Control(1016);
                if (wizard.isVisible() && pButton != nullptr) {
                    static_cast<QAbstractButton*>(pButton)->click();
                }
            });
            clicks.start(20);
            InitInstance(*m_pApp);
            clicks.stop();
            QVERIFY(!IsPortOpen());  // one box, the question: in a run Enter must not leave
            QCOMPARE(m_pAnswerer->m_defaults, QStringList{bRun ? "&No" : "&Yes"});
            QCOMPARE(EndInstance(*m_pApp), 0);
            m_pDevsim->Stop();  // a transfer left is ended on the device: the abort, once
            QCOMPARE(m_pDevsim->CountOutputLines("FINISH abort"), bRun ? 1 : 0);
        }
    }
};

QTEST_MAIN(TestWizard)
#include "test_wizard.moc"
