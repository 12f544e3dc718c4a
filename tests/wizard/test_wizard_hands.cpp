// The wizard in a person's hands: clicks land where the buttons are, every
// text fits its control in a font of the table's line height, the focus
// follows the pages, and the program answers on its command line.
#include "tests/wizard/wizard_rig.h"

#include "tests/support/expected_texts.h"
#include "version.h"
#include "wizard/procedures/prog_page_view.h"
#include "wizard/qt_fonts.h"

class TestWizardHands : public CWizardRig {
    Q_OBJECT

private slots:
    void init() { InitRig(); }
    void cleanup() { CleanupRig(); }

    // A real face whose line is the table's height; bold asks for a bold face (medium may match
    // either).
    void everySharedFontFindsARealFace() {
        StartWizard();
        for (const CFontSpec& font : m_pApp->m_fonts) {
            const QFontInfo info(MakeQFont(font));
            const int nLine = QFontMetrics(MakeQFont(font)).height();
            QVERIFY2(!info.family().isEmpty() && std::abs(nLine - font.nHeight) <= 1,
                     qPrintable(info.family() + QString(" %1: %2").arg(font.nHeight).arg(nLine)));
            QVERIFY(font.nWeight == QFont::Medium ||
                    (info.weight() >= QFont::DemiBold) == (font.nWeight >= QFont::DemiBold));
        }
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
        std::string strLongestTime;
        CProgPageView::FormatElapsedTime(3599, strLongestTime);
        for (int nCode = 0; nCode < 10; ++nCode) {
            std::string strText;
            results << (CProgPageView::GetResultText(nCode, strText) ? strText.c_str() : "");
        }
        for (const char* pszOutcome : {"a", "d", "s"}) {  // COM10: the widest number
            log << QString::fromStdString(ScanLog(10, pszOutcome)).trimmed();
        }
        const auto withGroup = [](const char* pszFormat, const char* pszValue = "dialout") {
            return QString::asprintf(pszFormat, pszValue);
        };
        log << "    /dev/ttyUSB0: " + withGroup(kPortNotInGroup)
            << "    /dev/ttyUSB0: " + withGroup(kPortJoinedAfterLogin)
            << "    /dev/ttyS0: " + withGroup(kPortModeKeepsOut, "crw-rw---- root dialout")
            << "    /dev/pts/12: " + withGroup(kPortOtherUsersTerminal, "crw--w---- alice tty")
            << "      " + withGroup(kPortJoinGroup) << "      " + withGroup(kPortRenewLogin)
            << QString("      ") + kPortUdevRule
            << "    /dev/ttyACM0: in use by ModemManager (pid 812)"
            << QString("    /dev/ttyS0: ") + kPortSystemConsole;
        QStringList status{kScanPressed, kScanRunning, kDeviceFound, kDeviceNotFound};
        for (const char* pszCause : {kShortPermissionDenied, kShortInUse, kShortNotSerial,
                                     kShortSystemConsole, kShortOther}) {
            status << kDeviceNotFound + QString("\r\n") +
                          QString::asprintf(kStatusPortUnusable, 10, pszCause);
        }
        QStringList lookedIn;  // below the file error: where the file was looked for
        for (const char* pszFolder : {"/home/someone/Documents/VANTO Updater",
                                      "/media/usb-stick/Firmware Updates/Device Seventeen"}) {
            const std::string strShown = CProgPageView::ShortFolderName(pszFolder, nullptr);
            lookedIn << QString::fromStdString(
                kResultFileError + ("\r\n" + Formatted(kResultLookedIn, strShown.c_str())));
        }
        const std::tuple<int, int, QStringList> rows[] = {
            {0, 1000, {}},  // (empty: the template's own text)
            {0, 1005, {}},
            {0, 1039, {QString::fromStdString(BuildIntroText())}},
            {1, 1007, {kSetupTitle}},
            {1, 1025, {kSetupStep1}},
            {1, 1026, {kSetupStep2}},
            {1, 1027, {kSetupStep3}},
            {1, 1028, {kScanButton, kStopButton}},
            {1, 1030, status},
            {1, 1031, log},
            {2, 1014, {QString::fromStdString(strLongestTime)}},
            {2, 1015,
             results + QStringList{kProgReady, kProgRunning, kScanStillRunning} + lookedIn},
            {2, 1016, {}}};
        for (const auto& [nPage, nId, texts] : rows) {
            W().SetActivePage(nPage);
            QWidget* pControl =
                W().ProgTargetPage().window()->findChild<QWidget*>(QString("control%1").arg(nId));
            pControl->show();  // the scan log shows once a scan runs
            QCoreApplication::processEvents();
            const QString strOwn = pControl->property("text").toString();
            for (const QString& strText : texts.isEmpty() ? QStringList{strOwn} : texts) {
                // A line break at the very end starts an empty line below
                // top-aligned text: nothing of it can be cut off.
                QString strShown = QString(strText).replace("\r\n", "\n");
                while (strShown.endsWith('\n')) {
                    strShown.chop(1);
                }
                const QSize need = NeededSize(pControl, strShown);
                QVERIFY2(need.boundedTo(Room(pControl)) == need,
                         qPrintable(QString::number(nId) + ": " + strText));
            }
        }
    }

    // The first tab stop takes the focus with its page, or the default button where there
    // is none; a control disabled under the focus hands it on and takes it back when enabled.
    // (The road of an update with the keyboard is test_wizard's successful update.)
    void focusFollowsThePage() {
        StartWizard();
        QWidget* pStart = nullptr;
        const std::pair<std::function<void()>, std::function<QWidget*()>> rows[] = {
            {[this] { m_pApp->m_bDeviceFound = 1, W().SetActivePage(2); },
             [&] { return pStart = W().ProgTargetPage().Control(1016); }},
            {[&] { pStart->setEnabled(false), W().PostWizardButtons(PSWIZB_DISABLEDFINISH); },
             [this] { return W().CancelButton(); }},
            {[&] { pStart->setEnabled(true), W().PostWizardButtons(9); }, [&] { return pStart; }},
            {[this] { W().SetActivePage(0); }, [this] { return W().NextButton(); }}};
        int nRow = 0;
        for (const auto& [act, expected] : rows) {
            act();
            QCoreApplication::processEvents();
            QCOMPARE(std::pair(nRow, W().focusWidget()), std::pair(nRow, expected()));
            ++nRow;
        }
    }

    // The window frame moves into the screen's free area; one larger than the area keeps
    // its bottom right corner (the wizard buttons) inside.
    void windowStaysOnTheScreen() {
        const QRect area(0, 30, 1280, 770);  // below a panel
        const std::tuple<QRect, QPoint> rows[] = {
            {{100, 100, 691, 497}, {100, 100}}, {{-50, 10, 691, 497}, {0, 30}},
            {{900, 600, 691, 497}, {589, 303}}, {{589, 303, 691, 497}, {589, 303}},
            {{0, 0, 1380, 980}, {-100, -180}},  {{-200, 500, 1280, 770}, {0, 30}},
            {{300, -40, 1290, 200}, {-10, 30}}};
        for (const auto& [frame, topLeft] : rows) {
            QCOMPARE(std::pair(frame, CKestaWizard::PlaceOnScreen(frame, area)),
                     std::pair(frame, topLeft));
        }
    }

    // Last: under the thread checker no thread may start here once QProcess has forked.
    // --help and --version answer without a display; no display, a display nobody serves
    // and an unknown option are one line (the usage follows the option's) and status 2.
    void commandLineWithoutADisplay() {
        QString strDeadDisplay = ":99";  // no X server there (the tests' own run elsewhere)
        while (QFile::exists("/tmp/.X11-unix/X" + strDeadDisplay.mid(1))) {
            strDeadDisplay = ":" + QString::number(strDeadDisplay.mid(1).toInt() + 1);
        }
        const QString strNoDisplay =
            "vanto-update: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n";
        const QString strDead = "vanto-update: cannot open display " + strDeadDisplay + "\n";
        const QString strUnknown = "vanto-update: unknown option '--fast'\nUsage: ";
        const std::tuple<QStringList, QString, int, QString, QString> rows[] = {
            {{"--help"}, "", 0, "Usage: vanto-update [--desktop] [FILE]\n", ""},
            {{"--version"}, "", 0, "vanto-update " VANTO_VERSION "\n", ""},
            {{}, "", 2, "", strNoDisplay},
            {{}, strDeadDisplay, 2, "", strDead},
            {{"--desktop", "--fast"}, "", 2, "", strUnknown}};
        for (const auto& [args, strDisplay, nExit, strOut, strErr] : rows) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const char* pszName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
                env.remove(pszName);
            }
            if (!strDisplay.isEmpty()) {
                env.insert("DISPLAY", strDisplay);
            }
            program.setProcessEnvironment(env);
            program.start(VANTO_BIN_DIR "/vanto-update", args);
            QVERIFY(program.waitForFinished(10000));
            const QString strGotOut = program.readAllStandardOutput();
            const QString strGotErr = program.readAllStandardError();
            // The usage after an option's line is the help's; the rest is whole.
            QCOMPARE(
                std::tuple(
                    program.exitStatus(), program.exitCode(), strGotOut.left(int(strOut.size())),
                    strErr.endsWith("Usage: ") ? strGotErr.left(int(strErr.size())) : strGotErr),
                std::tuple(QProcess::NormalExit, nExit, strOut, strErr));
        }
    }

private:
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
        auto* pEdit = qobject_cast<QPlainTextEdit*>(pControl);
        auto* pLabel = qobject_cast<QLabel*>(pControl);
        const bool bWraps = pEdit != nullptr ? pEdit->lineWrapMode() != QPlainTextEdit::NoWrap
                                             : pLabel != nullptr && pLabel->wordWrap();
        const QRect room(QPoint(), bWraps ? Room(pControl) : QSize(100000, 100000));
        return QFontMetrics(pControl->font())
            .boundingRect(room, bWraps ? Qt::TextWordWrap : 0, strText)
            .size();
    }
};

QTEST_MAIN(TestWizardHands)
#include "test_wizard_hands.moc"
