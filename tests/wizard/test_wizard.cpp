// The wizard on real pseudo-terminals: a bare one as COM1, or the simulated
// device as COM3 (COM1 and COM2 absent); and the real program, left mid-run.
#include "tests/support/devsim_process.h"  // before Qt, whose macros include "signals"
#include "tests/support/pty_pair.h"

#include <QtTest>
#include <QtWidgets>
#include <thread>

#include "app/qt_fonts.h"
#include "app/updater_app.h"
#include "res/page_texts.h"
#include "version.h"
#include "wizard/color_static.h"
#include "wizard/kesta_wizard.h"

// Before QTEST_MAIN's main: never the machine's own serial devices, no display.
[[maybe_unused]] static const bool g_bTestEnvironment =
    setenv("VANTO_COM_PORTS", "", 0) == 0 && setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0;

const QString kSetup = "Setup Serial Connection and Scan Device ";

// A click at the widget's centre, sent to its top-level window: Qt's own
// hit-testing decides which control takes it, as under a person's mouse.
QPoint CentreInWindow(QWidget* pWidget) {
    return pWidget->mapTo(pWidget->window(), pWidget->rect().center());
}
void Click(QWidget* pButton) {
    QTest::mouseClick(pButton->window()->windowHandle(), Qt::LeftButton, {},
                      CentreInWindow(pButton));
    QCoreApplication::processEvents();
}

QString BoxText(const QString& strCaption, const QString& strText, int nIcon, int nButtons) {
    return strCaption + " | " + strText +
           QString(" | icon %1 | buttons %2").arg(nIcon).arg(nButtons);
}

// Answers each message box (from a timer: a box runs its own event loop) and notes it.
struct CBoxAnswerer : QTimer {
    CBoxAnswerer() {
        connect(this, &QTimer::timeout, [this] {
            for (QWidget* pWidget : QApplication::topLevelWidgets()) {
                auto* pBox = qobject_cast<QMessageBox*>(pWidget);
                if (pBox != nullptr && pBox->isVisible()) {
                    m_onBox();
                    m_defaults << (pBox->defaultButton() ? pBox->defaultButton()->text() : "");
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
    QStringList m_seen, m_defaults;
    std::function<void()> m_onBox = [] {};
};

class TestWizard : public QObject {
    Q_OBJECT

private slots:
    void init() { qputenv("VANTO_COM_PORTS", QByteArray::fromStdString(m_pty.SlavePath())); }
    void cleanup() {
        m_pAnswerer.reset();
        m_pWizard.reset();
        m_pApp.reset();  // a device and its folder stay till the next or the end
    }

    // Posted requests take effect after the handler returns, each as its row says.
    void requestSetsButtonsAfterTheHandler() {
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
    }

    // Requests posted from a worker are applied on the user-interface thread, in order.
    void workerRequestsKeepTheirOrder() {
        StartWizard();
        const size_t nBefore = W().AppliedRequests().size();
        std::vector<unsigned> posted(1000);  // every combination, over and over
        std::generate(posted.begin(), posted.end(), [n = 0u]() mutable { return n++ % 16; });
        std::thread worker([&] {
            for (unsigned nFlags : posted) {
                W().PostWizardButtons(nFlags);
            }
        });
        QTRY_COMPARE_WITH_TIMEOUT(AppliedSince(nBefore).size(), posted.size(), 10000);
        worker.join();
        QCOMPARE(AppliedSince(nBefore), posted);
    }

    // The result box holds the worker until closed; a sheet going away lets it go.
    void resultBoxHoldsTheWorkerUntilClosedOrDetached() {
        StartWizard();
        CQtPageControls& controls = W().SetupPage().PageControls();
        std::atomic<int> nStage{0}, nStageWhileOpen{-1};  // 1 box closed, 2 go on
        m_pAnswerer->m_onBox = [&] { nStageWhileOpen = nStage.load(); };
        std::thread worker([&] {
            controls.ShowMessageBox("line 1\r\nline 2", "VANTO Updating");
            for (nStage = 1; nStage != 2;) {
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

    // Cancel, Esc, close box: asked first (not after an update); No keeps all, Yes closes.
    void exitQuestion() {
        const QString strQuestion =
            BoxText("Cancel Installation", "Are you sure you want to exit ?", QMessageBox::Question,
                    QMessageBox::Yes | QMessageBox::No);
        const std::function<void()> ways[] = {[this] { Click(W().CancelButton()); },
                                              [this] { QTest::keyClick(&W(), Qt::Key_Escape); },
                                              [this] { W().close(); }};
        for (int nCase = 0; nCase < 14; ++nCase) {  // each way, No and Yes, before and after
            const bool bYes = nCase / 3 % 2 == 1, bUpdateDone = nCase >= 6 && nCase < 12;
            StartWizard();
            m_pApp->m_bUpdateDone = bUpdateDone;
            m_pApp->m_nProgState = nCase >= 12 ? 1 : 0;  // in a run the default is No
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
            QCOMPARE(m_pAnswerer->m_defaults.join(""), QString(bUpdateDone   ? ""
                                                               : nCase >= 12 ? "&No"
                                                                             : "&Yes"));
            m_pApp->m_nProgState = 0;
        }
    }

    void welcomeTextsAndNoPicture() {
        StartDevice({}, 0, false);  // a working folder without the cabling picture
        StartWizard();
        const QString strIntro =
            "This Wizard will guide you through procedures of programming VANTO device.  There "
            "are 3 easy steps:\r\n\r\n    Step 1:  Setup serial connection between PC and the "
            "device.\r\n    Step 2:  Scan the device. \r\n    Step 3:  Programming the "
            "Device.\r\n\r\nYou should connect the Device to the computer and place the Device "
            "in \"Update Mode\".  Refer to the instruction manual for details.\r\n\r\n";
        CWelcome& page = W().WelcomePage();
        QCOMPARE(QString::fromStdString(page.IntroText()), strIntro);
        QCOMPARE(page.ControlAs<QLabel>(1000)->text(), QString("VANTO Software Update Utility"));
        QCOMPARE(page.ControlAs<QLabel>(1005)->text(), QString("Click \"Next\" to Continue."));
        QVERIFY(!W().windowIcon().isNull());
        auto* pIntro = page.ControlAs<QPlainTextEdit>(1039);
        pIntro->setFocus();
        QTest::keyClicks(pIntro, "typed");  // read-only
        QCOMPARE(pIntro->toPlainText(), QString(strIntro).replace("\r\n", "\n"));
        W().SetActivePage(1);
        QVERIFY(W().SetupPage().ControlAs<QLabel>(1006)->pixmap().isNull());
    }

    // A real face whose line is the table's height; bold asks for a bold face (medium may match
    // either).
    void everySharedFontFindsARealFace() {
        StartWizard();
        for (const CFontSpec& font : m_pApp->m_fonts) {
            const QFontInfo info(MakeQFont(font));
            const int nLine = QFontMetrics(MakeQFont(font)).height();
            QVERIFY2(
                !info.family().isEmpty() && std::abs(nLine - font.nHeight) <= 1,
                qPrintable(QString("%1 %2: %3").arg(info.family()).arg(font.nHeight).arg(nLine)));
            QVERIFY(font.nWeight == QFont::Medium ||
                    (info.weight() >= QFont::DemiBold) == (font.nWeight >= QFont::DemiBold));
        }
    }

    // Blue text on the page colour, also after the text changes.
    void statusLabelPaintsBlue() {
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
        QCOMPARE(pStatus->grab().toImage().pixel(0, 0),
                 ColorFromColorRef(pStatus->BackColor()).rgb());
        QVERIFY(countBlue() > 20);
        pStatus->setText("Programming In Process, Please Wait...");
        QVERIFY(countBlue() > 20);
    }

    // A press at each button's centre in the window goes down on that button: no frame or
    // label above it takes the mouse. The release lands off the button, so nothing is clicked.
    void everyButtonTakesThePressAtItsPlace() {
        StartWizard();
        const std::tuple<int, unsigned, std::vector<int>> rows[] = {
            {0, PSWIZB_BACK | PSWIZB_NEXT, {-1, -2, -4}},
            {1, PSWIZB_BACK | PSWIZB_NEXT, {1028, -1, -2, -4}},
            {2, PSWIZB_BACK | PSWIZB_FINISH, {1016, -1, -3, -4}}};
        for (const auto& [nPage, nFlags, buttons] : rows) {
            W().SetActivePage(nPage);
            W().PostWizardButtons(nFlags);
            QCoreApplication::processEvents();
            for (int nButton : buttons) {
                auto* pButton = qobject_cast<QAbstractButton*>(
                    nButton > 0 ? W().ProgTargetPage().window()->findChild<QWidget*>(
                                      QString("control%1").arg(nButton))
                                : std::vector<QWidget*>{W().BackButton(), W().NextButton(),
                                                        W().FinishButton(),
                                                        W().CancelButton()}[-nButton - 1]);
                QTest::mousePress(W().windowHandle(), Qt::LeftButton, {}, CentreInWindow(pButton));
                const bool bDown = pButton->isDown();
                QTest::mouseRelease(W().windowHandle(), Qt::LeftButton, {}, QPoint(1, 1));
                QVERIFY2(bDown, qPrintable(QString("page %1: %2").arg(nPage).arg(pButton->text())));
            }
        }
        QCOMPARE(W().ActivePageIndex(), 2);  // no click went through
    }

    // Every text the pages can show fits its control in the control's font, wrapped where
    // the control wraps; the scan log's lines fit without the horizontal scroll bar.
    void everyTextFitsItsControl() {
        StartWizard();
        QStringList results, log;
        for (int nCode = 0; nCode < 10; ++nCode) {
            std::string strText;
            results << (CProgTarget::GetResultText(nCode, strText) ? strText.c_str() : "");
        }
        for (int n = 1; n <= 10; ++n) {
            for (const char* pszEnd : {"Not Available", "Device Found", "Device Not Found"}) {
                log << QString("COM Port%1--%2").arg(n).arg(pszEnd);
            }
        }
        const std::tuple<int, int, QStringList> rows[] = {
            {0, 1000, {"VANTO Software Update Utility"}},
            {0, 1005, {"Click \"Next\" to Continue."}},
            {0, 1039, {QString::fromStdString(BuildIntroText())}},
            {1, 1007, {"Setup Serial Connection"}},
            {1, 1025, {"1, Connect serial cable between COM ports on PC\r\n   and device."}},
            {1, 1026, {"2, Power on the device and enter update mode."}},
            {1, 1027, {"3, Press the below button to scan the device."}},
            {1, 1028, {"Scan Device", "Stop"}},
            {1,
             1030,
             {"Connecting device...\r\nMake sure device is in update mode", "Connecting device...",
              "The device is found, Press \" Next \" to continue",
              "Is the device power on and in update mode?\r\nIs cable connection is good?"}},
            {1, 1031, log},
            {2, 1014, {"Elapse Time: 59:59"}},
            {2, 1015,
             results + QStringList{"Ready to update the device now.",
                                   "Programming In Process, Please Wait..."}},
            {2, 1016, {"Start Programming"}}};
        for (const auto& [nPage, nId, texts] : rows) {
            W().SetActivePage(nPage);
            QWidget* pControl =
                W().ProgTargetPage().window()->findChild<QWidget*>(QString("control%1").arg(nId));
            pControl->show();  // the scan log shows once a scan runs
            QCoreApplication::processEvents();
            for (const QString& strText : texts) {
                const QSize need = NeededSize(pControl, QString(strText).replace("\r\n", "\n"));
                const QSize room = Room(pControl);
                QVERIFY2(need.width() <= room.width() && need.height() <= room.height(),
                         qPrintable(QString("%1 needs %2x%3 in %4x%5: %6")
                                        .arg(nId)
                                        .arg(need.width())
                                        .arg(need.height())
                                        .arg(room.width())
                                        .arg(room.height())
                                        .arg(strText)));
            }
        }
    }

    // The first tab stop takes the focus with its page, or the default button where there
    // is none; a control disabled under the focus hands it on and takes it back when enabled.
    void focusFollowsThePage() {
        StartWizard();
        QWidget* pStart = nullptr;
        const std::pair<std::function<void()>, std::function<QWidget*()>> rows[] = {
            {[] {}, [this] { return W().NextButton(); }},
            {[this] { Click(W().NextButton()); }, [this] { return W().SetupPage().Control(1028); }},
            {[this] { m_pApp->m_bDeviceFound = 1, W().SetActivePage(2); },
             [&] { return pStart = W().ProgTargetPage().Control(1016); }},
            {[&] { pStart->setEnabled(false), W().PostWizardButtons(PSWIZB_DISABLEDFINISH); },
             [this] { return W().CancelButton(); }},
            {[&] { pStart->setEnabled(true), W().PostWizardButtons(9); }, [&] { return pStart; }},
            {[&] { pStart->setEnabled(false), W().PostWizardButtons(PSWIZB_FINISH); },
             [this] { return W().FinishButton(); }},
            {[this] { W().SetActivePage(0); }, [this] { return W().NextButton(); }}};
        int nRow = 0;
        for (const auto& [act, expected] : rows) {
            act();
            QCoreApplication::processEvents();
            QCOMPARE(std::pair(nRow, W().focusWidget()), std::pair(nRow, expected()));
            ++nRow;
        }
    }

    // --help and --version answer without a display; no display otherwise is one line, 2.
    void commandLineWithoutADisplay() {
        const std::tuple<QStringList, int, const char*, const char*> rows[] = {
            {{"--help"}, 0, "Usage: vanto-update [--help | --version]\n", ""},
            {{"--version"}, 0, "vanto-update " VANTO_VERSION "\n", ""},
            {{}, 2, "", "vanto-update: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n"}};
        for (const auto& [args, nExit, pszOut, pszErr] : rows) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const char* pszName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
                env.remove(pszName);
            }
            program.setProcessEnvironment(env);
            program.start(VANTO_BIN_DIR "/vanto-update", args);
            QVERIFY(program.waitForFinished(10000));
            const QString strOut = program.readAllStandardOutput();
            QCOMPARE(std::tuple(program.exitStatus(), program.exitCode(),
                                strOut.left(int(strlen(pszOut))),
                                QString(program.readAllStandardError())),
                     std::tuple(QProcess::NormalExit, nExit, QString(pszOut), QString(pszErr)));
        }
    }

    void successfulUpdate() {
        StartDevice({}, 5 * 16 + 1);  // 6 blocks, the last one short
        ScanAndProgram();
        const QString strDone = "The device has been updated successfully";
        QCOMPARE(m_pAnswerer->m_seen, QStringList{BoxText("VANTO Updating", strDone,
                                                          QMessageBox::NoIcon, QMessageBox::Ok)});
        QCOMPARE(W().ProgTargetPage().PageControls().Text(1015), strDone.toStdString());
        // Running: Finish disabled alone; done: Finish alone, the run's controls put away.
        QVERIFY(std::count(W().AppliedRequests().begin(), W().AppliedRequests().end(),
                           PSWIZB_DISABLEDFINISH) > 0);
        QCOMPARE(Screen(), QString("Programming Target b-Fc"));
        auto* pBar = W().ProgTargetPage().ControlAs<QProgressBar>(1013);
        QCOMPARE(pBar->value() * 100 + pBar->maximum(), 606);  // the last position at the top
        QVERIFY(!pBar->isVisible() && !W().ProgTargetPage().Control(1014)->isVisible() &&
                !W().ProgTargetPage().Control(1016)->isEnabled());
        m_pAnswerer->m_seen.clear();
        Click(W().FinishButton());  // no question; the port stays open till the program ends
        QVERIFY(!W().isVisible() && m_pAnswerer->m_seen.isEmpty() && IsPortOpen());
    }

    void failedBlockOffersBackAndRetry() {
        StartDevice({"--drop-block", "2", "--drop-block", "3"}, 4 * 16);  // and its retry
        ScanAndProgram();
        const QString strNoResponse =
            "Could not get response from the device.\r\n"
            "Please check cable connection and power supply and retry\r\n";
        QCOMPARE(m_pAnswerer->m_seen,
                 QStringList{BoxText("VANTO Updating", QString(strNoResponse).replace("\r\n", "\n"),
                                     QMessageBox::NoIcon, QMessageBox::Ok)});
        QCOMPARE(W().ProgTargetPage().PageControls().Text(1015), strNoResponse.toStdString());
        QCOMPARE(Screen() + (W().ProgTargetPage().Control(1016)->isEnabled() ? ", Start" : ""),
                 QString("Programming Target B-fC, Start"));
        Click(W().BackButton());
        QCOMPARE(Screen(), kSetup + "BN-C");
        QVERIFY(!W().IsWorkerRunning());  // no new scan
        const size_t nBefore = W().AppliedRequests().size();
        Click(W().NextButton());  // a later visit applies 9 alone
        QCOMPARE(AppliedSince(nBefore), std::vector<unsigned>{9});
    }

    // The real program, left in a scan (silent device) and a run (slow flash writes):
    // after Yes the port is closed and the process ends cleanly within a second.
    void leavingEndsTheProgram() {
        for (const auto& [pszScript, pszOption, pszValue] :
             {std::tuple{"leave-during-scan", "--answer-identify-from", "1000"},
              std::tuple{"leave-during-programming", "--reply-delay", "40"}}) {
            StartDevice({pszOption, pszValue}, 1280);
            qputenv("VANTO_DRIVER_SCRIPT", pszScript);
            QProcess driver;
            driver.setProcessChannelMode(QProcess::MergedChannels);
            driver.start(VANTO_BIN_DIR "/wizard_driver");
            QByteArray output = pszScript + QByteArray(": ");
            while (!output.contains("yes\n") && driver.waitForReadyRead(60000)) {
                output += driver.readAll();
            }
            QElapsedTimer sinceYes;
            sinceYes.start();
            const bool bEnded = driver.waitForFinished(10000) && sinceYes.elapsed() < 1000;
            output += driver.readAll() + " ms: " + QByteArray::number(sinceYes.elapsed());
            QVERIFY2(bEnded && output.contains("yes\n") && driver.exitCode() == 0 &&
                         driver.exitStatus() == QProcess::NormalExit &&
                         output.contains("wizard closed, port closed\n") &&
                         !output.contains("Sanitizer"),
                     output.constData());
        }
    }

private:
    // The wizard as vanto-update builds it, shown; page texts noted with their time.
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
            connect(p, &CQtPageControls::textWritten, this, [this](int nId, const QString& str) {
                QVERIFY(QThread::currentThread() == qApp->thread());
                m_writes.emplace_back(m_clock.elapsed(), QString::number(nId) + ": " + str);
            });
        }
        m_pWizard->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pWizard.get()));
    }
    CKestaWizard& W() { return *m_pWizard; }
    // The room for text inside a control, and the size a text needs there in its font.
    static QSize Room(QWidget* pControl) {
        if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pControl)) {
            const int nMargin = 2 * int(pEdit->document()->documentMargin());
            return pEdit->viewport()->size() - QSize(nMargin, nMargin);
        }
        if (qobject_cast<QPushButton*>(pControl)) {  // the bevel takes its share
            return pControl->size() - QSize(8, 4);
        }
        return static_cast<QFrame*>(pControl)->contentsRect().size();
    }
    static QSize NeededSize(QWidget* pControl, const QString& strText) {
        const QFontMetrics metrics(pControl->font());
        auto* pLabel = qobject_cast<QLabel*>(pControl);
        const bool bWraps =
            qobject_cast<QPlainTextEdit*>(pControl) != nullptr
                ? static_cast<QPlainTextEdit*>(pControl)->lineWrapMode() != QPlainTextEdit::NoWrap
                : pLabel != nullptr && pLabel->wordWrap();
        const QRect bounds =
            metrics.boundingRect(QRect(QPoint(), bWraps ? Room(pControl) : QSize(100000, 100000)),
                                 bWraps ? Qt::TextWordWrap : 0, strText);
        return bounds.size();
    }
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
    std::vector<unsigned> AppliedSince(size_t nFrom) {
        return {W().AppliedRequests().begin() + long(nFrom), W().AppliedRequests().end()};
    }
    // vanto-devsim as COM3; in a new working folder nRecords of the demo image.
    void StartDevice(const std::vector<std::string>& args, int nRecords, bool bPicture = true) {
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
    // Welcome, a scan, back and forth (no new scan), then the run; elapsed time after 1 s.
    void ScanAndProgram() {
        StartWizard();
        QCOMPARE(Screen(), QString("Welcome to VANTO Update bN-C"));
        Click(W().NextButton());
        QCOMPARE(Screen(), kSetup + "Bn-C");
        QCOMPARE(W().SetupPage().ControlAs<QLabel>(1006)->pixmap().size(), QSize(340, 360));
        QVERIFY(!W().SetupPage().Control(1031)->isVisible());  // the log shows once a scan ran
        Click(W().SetupPage().Control(1028));
        QVERIFY(QTest::qWaitFor([&] { return !W().IsWorkerRunning(); }, 30000));
        QCoreApplication::processEvents();
        QCOMPARE(W().SetupPage().PageControls().Text(1031),
                 std::string("COM Port1--Not Available\r\nCOM Port2--Not Available\r\n"
                             "COM Port3--Device Found\r\n"));
        QCOMPARE(Screen() + QString::number(m_pApp->m_pEngine->m_pPort->PortNumber()) +
                     (W().SetupPage().Control(1031)->isVisible() ? ", log" : ""),
                 kSetup + "BN-C3, log");
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
        QVERIFY(!W().ProgTargetPage().Control(1013)->isVisible());  // the progress bar: in a run
        const qint64 nStartMs = m_clock.elapsed();
        Click(W().ProgTargetPage().Control(1016));
        QVERIFY(QTest::qWaitFor([&] { return !W().IsWorkerRunning(); }, 30000));
        QCoreApplication::processEvents();
        for (const auto& [nMs, strWrite] : m_writes) {
            QVERIFY2(
                !strWrite.startsWith("1014: ") || strWrite == "1014: " || nMs - nStartMs >= 1000,
                qPrintable(strWrite));
        }
    }

    PtyPair m_pty;  // COM1 when no device is wanted
    std::unique_ptr<CDevsimProcess> m_pDevsim;
    std::unique_ptr<CTempDir> m_pDir;
    std::unique_ptr<CUpdaterApp> m_pApp;
    std::unique_ptr<CKestaWizard> m_pWizard;
    std::unique_ptr<CBoxAnswerer> m_pAnswerer;
    QElapsedTimer m_clock;
    std::vector<std::pair<qint64, QString>> m_writes;
};

QTEST_MAIN(TestWizard)
#include "test_wizard.moc"
