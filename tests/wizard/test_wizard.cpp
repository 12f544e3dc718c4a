// The wizard on real pseudo-terminals: requests, the exit question, worker
// calls, texts and rendering with a bare terminal as COM1; the whole road with
// the simulated device as COM3; leaving the real program mid-run.
#include "tests/support/devsim_process.h"  // before Qt, whose macros include "signals"
#include "tests/support/pty_pair.h"

#include <QtTest>
#include <QtWidgets>
#include <atomic>
#include <thread>

#include "app/qt_fonts.h"
#include "app/updater_app.h"
#include "wizard/color_static.h"
#include "wizard/kesta_wizard.h"

// Before QTEST_MAIN's main: never the machine's own serial devices, no display.
[[maybe_unused]] static const bool g_bTestEnvironment =
    setenv("VANTO_COM_PORTS", "", 0) == 0 && setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0;

const QString kSetup = "Setup Serial Connection and Scan Device ";

void Click(QWidget* pButton) {
    QTest::mouseClick(pButton, Qt::LeftButton);
    QCoreApplication::processEvents();
}

QString BoxText(const QString& strCaption, const QString& strText, int nIcon, int nButtons) {
    return QString("%1 | %2 | icon %3 | buttons %4")
        .arg(strCaption, strText)
        .arg(nIcon)
        .arg(nButtons);
}

// Answers every message box that shows (each runs its own event loop, hence
// the timer) and notes it as BoxText; m_onBox runs first.
struct CBoxAnswerer : QTimer {
    CBoxAnswerer() {
        connect(this, &QTimer::timeout, [this] {
            for (QWidget* pWidget : QApplication::topLevelWidgets()) {
                auto* pBox = qobject_cast<QMessageBox*>(pWidget);
                if (pBox != nullptr && pBox->isVisible()) {
                    m_onBox();
                    m_seen << BoxText(pBox->windowTitle(), pBox->text(), pBox->icon(),
                                      pBox->standardButtons());
                    QAbstractButton* pButton = pBox->button(QMessageBox::StandardButton(m_nAnswer));
                    (pButton != nullptr ? pButton : pBox->buttons().value(0))->click();
                }
            }
        });
        start(20);
    }
    int m_nAnswer = QMessageBox::Ok;
    QStringList m_seen;
    std::function<void()> m_onBox = [] {};
};

class TestWizard : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_pPty = std::make_unique<PtyPair>();
        qputenv("VANTO_COM_PORTS", QByteArray::fromStdString(m_pPty->SlavePath()));
    }
    void cleanup() {
        m_pAnswerer.reset();
        m_pWizard.reset();
        m_pApp.reset();
        m_pDir.reset();
        m_pDevsim.reset();
    }
    void requestSetsButtonsAfterTheHandler();
    void workerCallsKeepTheirOrder();
    void resultBoxHoldsTheWorkerUntilClosedOrDetached();
    void exitQuestion();
    void controlsAsTheirTemplatesSay();
    void welcomeTexts();
    void pictureFromWorkingDirectory();
    void everySharedFontFindsARealFace();
    void statusLabelPaintsBlue();
    void successfulUpdate();
    void failedBlockOffersBackAndRetry();
    void leavingEndsTheProgram();

private:
    // The application and its wizard as vanto-update builds them, shown; every
    // text written to a page noted as "id: text" with its time.
    void StartWizard() {
        m_pAnswerer.reset();
        m_pWizard.reset();  // before the application it uses
        m_pApp = std::make_unique<CUpdaterApp>();
        m_pApp->CreateFonts();
        m_pApp->CreateEngine();
        m_pWizard = std::make_unique<CKestaWizard>(*m_pApp, QString(), nullptr, 0);
        m_pApp->m_pWizard = m_pWizard.get();
        m_pAnswerer = std::make_unique<CBoxAnswerer>();
        m_writes.clear();
        m_clock.start();
        for (CQtPageControls* p :
             {&W().SetupPage().PageControls(), &W().ProgTargetPage().PageControls()}) {
            connect(p, &CQtPageControls::textWritten, this,
                    [this](int nId, const QString& strText) {
                        m_writes.emplace_back(m_clock.elapsed(),
                                              QString("%1: %2").arg(nId).arg(strText));
                    });
        }
        m_pWizard->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pWizard.get()));
    }
    CKestaWizard& W() { return *m_pWizard; }
    bool IsPortOpen() { return m_pApp->m_pEngine->m_pPort->IsOpen(); }
    // The title and the buttons Back, Next, Finish, Cancel as b, n, f, c:
    // capital when enabled, small when disabled, "-" when hidden.
    QString Screen() {
        QString strScreen = W().windowTitle() + " ";
        QPushButton* buttons[] = {W().BackButton(), W().NextButton(), W().FinishButton(),
                                  W().CancelButton()};
        for (int n = 0; n < 4; ++n) {
            const QChar cLetter("bnfc"[n]);
            strScreen += !buttons[n]->isVisible()  ? QChar('-')
                         : buttons[n]->isEnabled() ? cLetter.toUpper()
                                                   : cLetter;
        }
        return strScreen;
    }
    std::vector<unsigned> AppliedSince(size_t nFrom) {
        return {W().AppliedRequests().begin() + long(nFrom), W().AppliedRequests().end()};
    }
    // vanto-devsim with strArgs as COM3 and a working folder: kst.hex with the
    // first nRecords 16-byte records of the demo image, the cabling picture if wanted.
    void StartDevice(const QString& strArgs, int nRecords, bool bPicture = true) {
        std::vector<std::string> args;
        for (const QString& strArg : strArgs.split(' ', Qt::SkipEmptyParts)) {
            args.push_back(strArg.toStdString());
        }
        m_pDevsim = std::make_unique<CDevsimProcess>();
        QVERIFY(m_pDevsim->Start(args));
        qputenv("VANTO_COM_PORTS", QByteArray::fromStdString("::" + m_pDevsim->LinkPath()));
        m_pDir = std::make_unique<CTempDir>();
        QFile demo(VANTO_SOURCE_DIR "/scripts/demo/kst.hex"), hex(m_pDir->File("kst.hex").c_str());
        if (demo.open(QIODevice::ReadOnly) && hex.open(QIODevice::WriteOnly)) {
            hex.write(demo.readAll().split('\n').mid(0, nRecords).join('\n') + "\n:00000001FF\n");
        }
        if (bPicture) {
            QFile::copy(VANTO_SOURCE_DIR "/scripts/demo/kst_PC.bmp",
                        m_pDir->File("kst_PC.bmp").c_str());
        }
        QDir::setCurrent(m_pDir->Path().c_str());
    }
    void ScanAndProgram();

    std::unique_ptr<PtyPair> m_pPty;
    std::unique_ptr<CDevsimProcess> m_pDevsim;
    std::unique_ptr<CTempDir> m_pDir;
    std::unique_ptr<CUpdaterApp> m_pApp;
    std::unique_ptr<CKestaWizard> m_pWizard;
    std::unique_ptr<CBoxAnswerer> m_pAnswerer;
    QElapsedTimer m_clock;
    std::vector<std::pair<qint64, QString>> m_writes;
};

// Posted requests take effect after the handler returns, each as its row says.
void TestWizard::requestSetsButtonsAfterTheHandler() {
    StartWizard();
    const std::pair<unsigned, const char*> rows[] = {{0, "bn-C"}, {1, "Bn-C"}, {2, "bN-C"},
                                                     {3, "BN-C"}, {4, "b-FC"}, {5, "B-FC"},
                                                     {6, "b-FC"}, {8, "b-fC"}, {9, "B-fC"}};
    for (const auto& [nFlags, pszButtons] : rows) {
        const std::vector<unsigned> before = W().AppliedRequests();
        W().PostWizardButtons(nFlags);
        QCOMPARE(W().AppliedRequests(), before);
        QCoreApplication::processEvents();
        QCOMPARE(QString::number(nFlags) + Screen().right(4), QString::number(nFlags) + pszButtons);
    }
}

// A worker's requests and page changes reach the user-interface thread, in order.
void TestWizard::workerCallsKeepTheirOrder() {
    StartWizard();
    std::atomic<bool> bOffThread{false};
    QObject context;  // ends the connection with this test
    connect(&W().SetupPage().PageControls(), &CQtPageControls::textWritten, &context,
            [&] { bOffThread = bOffThread || QThread::currentThread() != qApp->thread(); });
    const size_t nBefore = W().AppliedRequests().size();
    std::thread worker([&] {
        for (unsigned n = 0; n < 1000; ++n) {
            W().PostWizardButtons(n % 16);
            W().SetupPage().PageControls().AppendText(1031, std::to_string(n) + "\r\n");
        }
    });
    QTRY_COMPARE_WITH_TIMEOUT(W().AppliedRequests().size(), nBefore + 1000, 10000);
    worker.join();
    QCoreApplication::processEvents();
    std::string strLog;
    for (unsigned n = 0; n < 1000; ++n) {
        strLog += std::to_string(n) + "\r\n";
        QCOMPARE(W().AppliedRequests()[nBefore + n], n % 16);
    }
    QCOMPARE(W().SetupPage().PageControls().Text(1031), strLog);
    QVERIFY(!bOffThread);
}

// The result box holds the worker until the user closes it; a sheet going
// away lets a waiting worker go, its box never shown.
void TestWizard::resultBoxHoldsTheWorkerUntilClosedOrDetached() {
    StartWizard();
    CQtPageControls& controls = W().SetupPage().PageControls();
    std::atomic<int> nStage{0};  // 1: first box returned; 2: the test is ready to detach
    std::atomic<int> nStageWhileOpen{-1};
    m_pAnswerer->m_onBox = [&] { nStageWhileOpen = nStage.load(); };
    std::thread worker([&] {
        controls.ShowMessageBox("line 1\r\nline 2", "VANTO Updating");
        nStage = 1;
        while (nStage != 2) {
            std::this_thread::yield();
        }
        controls.ShowMessageBox("never shown", "VANTO Updating");
    });
    QTRY_VERIFY_WITH_TIMEOUT(nStage == 1, 5000);
    nStage = 2;
    QTest::qSleep(100);  // the second box is queued; no events are processed here
    controls.Detach();
    worker.join();
    QTest::qWait(100);
    QCOMPARE(nStageWhileOpen.load(), 0);
    QCOMPARE(m_pAnswerer->m_seen, QStringList{BoxText("VANTO Updating", "line 1\nline 2",
                                                      QMessageBox::NoIcon, QMessageBox::Ok)});
}

// Cancel, Esc and the close box ask first, not after a successful update; No
// changes nothing, Yes closes the port and the wizard.
void TestWizard::exitQuestion() {
    const QString strQuestion = BoxText("Cancel Installation", "Are you sure you want to exit ?",
                                        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    const std::function<void()> ways[] = {[this] { Click(W().CancelButton()); },
                                          [this] { QTest::keyClick(&W(), Qt::Key_Escape); },
                                          [this] { W().close(); }};
    for (int nCase = 0; nCase < 12; ++nCase) {  // each way, No and Yes, before and after an update
        const bool bYes = nCase / 3 % 2 == 1, bUpdateDone = nCase >= 6;
        StartWizard();
        m_pApp->m_bUpdateDone = bUpdateDone;
        W().SetActivePage(1);
        QCoreApplication::processEvents();
        const QString strBefore = Screen();
        const std::vector<unsigned> requests = W().AppliedRequests();
        m_pAnswerer->m_nAnswer = bYes ? QMessageBox::Yes : QMessageBox::No;
        ways[nCase % 3]();
        QCoreApplication::processEvents();
        const QString strAfter =
            W().isVisible() ? Screen() + (IsPortOpen() ? ", port open" : "") : "closed";
        QCOMPARE(QString::number(nCase) + m_pAnswerer->m_seen.join("") + strAfter,
                 QString::number(nCase) + (bUpdateDone ? "" : strQuestion) +
                     (bYes || bUpdateDone ? "closed" : strBefore + ", port open"));
        QVERIFY(W().AppliedRequests() == requests && IsPortOpen() == W().isVisible());
    }
}

// Every control of every template is there, on its page, which fits the sheet;
// the rows: Visible, Enabled, Tab stop at the start.
void TestWizard::controlsAsTheirTemplatesSay() {
    StartWizard();
    const int templates[] = {IDD_WELCOME, IDD_SETUP, IDD_PROG_TARGET};
    CWizardPage* pages[] = {&W().WelcomePage(), &W().SetupPage(), &W().ProgTargetPage()};
    for (int nPage = 0; nPage < 3; ++nPage) {
        W().SetActivePage(nPage);
        for (const CONTROL_TEMPLATE& control : FindDialogTemplate(templates[nPage])->controls) {
            QWidget* pControl = pages[nPage]->Control(control.nId);
            QVERIFY2(pControl != nullptr, qPrintable(QString::number(control.nId)));
            QVERIFY(pages[nPage]->rect().contains(pControl->geometry()));
            QCOMPARE(pControl->property("controlId").toInt(), control.nId);
        }
        QVERIFY(pages[nPage]->width() <= W().SetupPage().width());
    }
    const std::tuple<int, int, const char*> rows[] = {
        {0, 1039, "VE-"}, {1, 1031, "--T"}, {1, 1028, "VET"}, {1, 1030, "VE-"}, {1, 1006, "VE-"},
        {2, 1013, "---"}, {2, 1014, "VE-"}, {2, 1016, "VET"}, {2, 1038, "VE-"}};
    for (const auto& [nPage, nId, pszState] : rows) {
        W().SetActivePage(nPage);
        QWidget* pControl = pages[nPage]->Control(nId);
        QCOMPARE(QString::number(nId) + (pControl->isVisible() ? "V" : "-") +
                     (pControl->isEnabled() ? "E" : "-") +
                     (pControl->focusPolicy() & Qt::TabFocus ? "T" : "-"),
                 QString::number(nId) + pszState);
    }
}

void TestWizard::welcomeTexts() {
    StartWizard();
    const QString strIntro =
        "This Wizard will guide you through procedures of programming VANTO device.  There are "
        "3 easy steps:\r\n\r\n    Step 1:  Setup serial connection between PC and the "
        "device.\r\n    Step 2:  Scan the device. \r\n    Step 3:  Programming the "
        "Device.\r\n\r\nYou should connect the Device to the computer and place the Device in "
        "\"Update Mode\".  Refer to the instruction manual for details.\r\n\r\n";
    CWelcome& page = W().WelcomePage();
    QCOMPARE(QString::fromStdString(page.IntroText()), strIntro);
    QCOMPARE(page.ControlAs<QLabel>(1000)->text(), QString("VANTO Software Update Utility"));
    QCOMPARE(page.ControlAs<QLabel>(1005)->text(), QString("Click \"Next\" to Continue."));
    QVERIFY(!W().windowIcon().isNull());
    auto* pIntro = page.ControlAs<QPlainTextEdit>(1039);
    pIntro->setFocus();
    QTest::keyClicks(pIntro, "typed");  // read-only
    QTest::keyClick(pIntro, Qt::Key_Backspace);
    QCOMPARE(pIntro->toPlainText(), QString(strIntro).replace("\r\n", "\n"));
}

void TestWizard::pictureFromWorkingDirectory() {
    for (bool bPresent : {true, false}) {
        StartDevice("", 0, bPresent);
        StartWizard();
        W().SetActivePage(1);
        QCOMPARE(W().SetupPage().ControlAs<QLabel>(1006)->pixmap().size(),
                 bPresent ? QSize(340, 360) : QSize(0, 0));
    }
}

// A real face of the asked size; bold asks for a bold face (medium may match either).
void TestWizard::everySharedFontFindsARealFace() {
    StartWizard();
    for (const CFontSpec& spec : m_pApp->m_fonts) {
        const QFontInfo info(MakeQFont(spec));
        QVERIFY(!info.family().isEmpty());
        QCOMPARE(MakeQFont(spec).pixelSize(), spec.nHeight);
        QVERIFY(spec.nWeight == QFont::Medium ||
                (info.weight() >= QFont::DemiBold) == (spec.nWeight >= QFont::DemiBold));
    }
}

// Blue text on the page colour, kept when the palette and the text change.
void TestWizard::statusLabelPaintsBlue() {
    StartWizard();
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
    const int nBlueReady = countBlue();
    QCOMPARE(pStatus->grab().toImage().pixel(0, 0), ColorFromColorRef(pStatus->BackColor()).rgb());
    const COLORREF crBack = pStatus->BackColor();
    const QPalette original = QApplication::palette();
    QApplication::setPalette(QPalette(QColor(10, 200, 30), QColor(1, 2, 3)));
    pStatus->setText("Programming In Process, Please Wait...");
    const int nBlueChanged = countBlue();
    QApplication::setPalette(original);
    QVERIFY(nBlueReady > 20 && nBlueChanged > 20);
    QCOMPARE(pStatus->BackColor(), crBack);
}

// From the welcome page through a scan, back and forth (no new scan), to the
// programming page and its run; the elapsed time shows from the second second on.
void TestWizard::ScanAndProgram() {
    StartWizard();
    QCOMPARE(Screen(), QString("Welcome to VANTO Update bN-C"));
    Click(W().NextButton());
    QCOMPARE(Screen(), kSetup + "Bn-C");
    Click(W().SetupPage().Control(1028));
    QVERIFY(QTest::qWaitFor([&] { return !W().IsWorkerRunning(); }, 30000));
    QCoreApplication::processEvents();
    QCOMPARE(W().SetupPage().PageControls().Text(1031),
             std::string("COM Port1--Not Available\r\nCOM Port2--Not Available\r\n"
                         "COM Port3--Device Found\r\n"));
    QVERIFY(W().SetupPage().Control(1031)->isVisible());
    QCOMPARE(Screen(), kSetup + "BN-C");
    QCOMPARE(m_pApp->m_pEngine->m_pPort->PortNumber(), uint8_t{3});
    Click(W().BackButton());
    Click(W().NextButton());
    QCOMPARE(Screen(), kSetup + "BN-C");
    QStringList status;  // each once: no new scan on the way back
    for (const auto& [nMs, strWrite] : m_writes) {
        status << (strWrite.startsWith("1030: ") ? QStringList{strWrite} : QStringList());
    }
    QCOMPARE(status,
             (QStringList{"1030: Connecting device...\r\nMake sure device is in update mode",
                          "1030: Connecting device...",
                          "1030: The device is found, Press \" Next \" to continue"}));
    const size_t nBefore = W().AppliedRequests().size();
    Click(W().NextButton());  // the first visit applies 1, then 9
    QCOMPARE(Screen(), QString("Programming Target B-fC"));
    QCOMPARE(AppliedSince(nBefore), (std::vector<unsigned>{PSWIZB_BACK, 9}));
    const qint64 nStartMs = m_clock.elapsed();
    Click(W().ProgTargetPage().Control(1016));
    QVERIFY(QTest::qWaitFor([&] { return !W().IsWorkerRunning(); }, 30000));
    QCoreApplication::processEvents();
    for (const auto& [nMs, strWrite] : m_writes) {
        QVERIFY2(!strWrite.startsWith("1014: ") || strWrite == "1014: " || nMs - nStartMs >= 1000,
                 qPrintable(strWrite));
    }
}

void TestWizard::successfulUpdate() {
    StartDevice("", 5 * 16 + 1);  // 6 blocks, the last one short
    ScanAndProgram();
    const QString strDone = "The device has been updated successfully";
    QCOMPARE(m_pAnswerer->m_seen,
             QStringList{BoxText("VANTO Updating", strDone, QMessageBox::NoIcon, QMessageBox::Ok)});
    QCOMPARE(W().ProgTargetPage().PageControls().Text(1015), strDone.toStdString());
    // Running: Finish disabled alone; done: Finish alone, the run's controls put away.
    const std::vector<unsigned>& applied = W().AppliedRequests();
    QVERIFY(std::find(applied.begin(), applied.end(), PSWIZB_DISABLEDFINISH) != applied.end());
    QCOMPARE(Screen(), QString("Programming Target b-Fc"));
    auto* pBar = W().ProgTargetPage().ControlAs<QProgressBar>(1013);
    QCOMPARE(pBar->value() * 100 + pBar->maximum(), 606);  // the last position clamped to the top
    QVERIFY(!pBar->isVisible() && !W().ProgTargetPage().Control(1014)->isVisible());
    QVERIFY(!W().ProgTargetPage().Control(1016)->isEnabled());
    m_pAnswerer->m_seen.clear();
    Click(W().FinishButton());  // no question; the port stays open till the program ends
    QVERIFY(!W().isVisible() && m_pAnswerer->m_seen.isEmpty() && IsPortOpen());
}

void TestWizard::failedBlockOffersBackAndRetry() {
    StartDevice("--drop-block 2 --drop-block 3", 4 * 16);  // block 2 and its retry unanswered
    ScanAndProgram();
    const QString strNoResponse =
        "Could not get response from the device.\r\n"
        "Please check cable connection and power supply and retry\r\n";
    QCOMPARE(m_pAnswerer->m_seen,
             QStringList{BoxText("VANTO Updating", QString(strNoResponse).replace("\r\n", "\n"),
                                 QMessageBox::NoIcon, QMessageBox::Ok)});
    QCOMPARE(W().ProgTargetPage().PageControls().Text(1015), strNoResponse.toStdString());
    QCOMPARE(Screen(), QString("Programming Target B-fC"));
    QVERIFY(W().ProgTargetPage().Control(1016)->isEnabled());
    Click(W().BackButton());
    QCOMPARE(Screen(), kSetup + "BN-C");
    QVERIFY(!W().IsWorkerRunning());  // no new scan
    const size_t nBefore = W().AppliedRequests().size();
    Click(W().NextButton());  // a later visit applies 9 alone
    QCOMPARE(AppliedSince(nBefore), std::vector<unsigned>{9});
    m_pAnswerer->m_nAnswer = QMessageBox::No;  // leaving is still questioned
    m_pAnswerer->m_seen.clear();
    Click(W().CancelButton());
    QVERIFY(m_pAnswerer->m_seen.size() == 1 && W().isVisible());
}

// vanto-update's own start-up with a scripted user (wizard_driver), the scan
// sitting in identify calls to a silent device, the run in slow flash writes:
// after Yes the port is closed and the process ends cleanly within a second.
void TestWizard::leavingEndsTheProgram() {
    for (const auto& [pszScript, pszDevsimArgs] :
         {std::pair{"leave-during-scan", "--answer-identify-from 1000"},
          std::pair{"leave-during-programming", "--reply-delay 40"}}) {
        StartDevice(pszDevsimArgs, 1280);
        QProcess driver;
        driver.setEnvironment(QProcess::systemEnvironment()
                              << "VANTO_DRIVER_SCRIPT=" + QString(pszScript));
        driver.setProcessChannelMode(QProcess::MergedChannels);
        driver.start(VANTO_BIN_DIR "/wizard_driver");
        QByteArray output = pszScript + QByteArray(": ");
        QElapsedTimer sinceYes;
        while (!sinceYes.isValid() && driver.waitForReadyRead(60000)) {
            output += driver.readAll();
            if (output.contains("yes\n")) {
                sinceYes.start();
            }
        }
        const bool bEnded = driver.waitForFinished(10000);
        const qint64 nMsFromYes = sinceYes.isValid() ? sinceYes.elapsed() : -1;
        output += driver.readAll() + " ms: " + QByteArray::number(nMsFromYes);
        QVERIFY2(bEnded && nMsFromYes >= 0 && nMsFromYes < 1000 && driver.exitCode() == 0 &&
                     driver.exitStatus() == QProcess::NormalExit &&
                     output.contains("wizard closed, port closed\n") &&
                     !output.contains("Sanitizer"),
                 output.constData());
    }
}

QTEST_MAIN(TestWizard)
#include "test_wizard.moc"
