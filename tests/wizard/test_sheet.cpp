// The sheet: wizard-button requests, cancel-to-close, the exit question and
// the page flow that needs no device.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

#include "app/updater_app.h"
#include "tests/support/pty_pair.h"
#include "tests/wizard/wizard_test_support.h"
#include "wizard/kesta_wizard.h"

class TestSheet : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void requestSetsButtons_data();
    void requestSetsButtons();
    void requestIsAppliedAfterTheHandler();
    void requestsFromAWorkerKeepTheirOrder();
    void cancelToCloseWaitsUntilCancelIsGone();
    void pageFlowWithoutDevice();
    void programmingPageFirstVisitEndsWithNine();
    void exitQuestion_data();
    void exitQuestion();
    void noQuestionAfterSuccessfulUpdate();
    void workerCallsArriveInOrder();
    void resultBoxBlocksTheWorkerUntilClosed();
    void detachReleasesAWaitingWorker();

private:
    void OpenWizard();
    void Settle() { QCoreApplication::processEvents(); }

    std::unique_ptr<PtyPair> m_pPty;
    std::unique_ptr<CUpdaterApp> m_pApp;
    std::unique_ptr<CKestaWizard> m_pWizard;
};

void TestSheet::init() {
    // COM1 is a real pseudo-terminal, so the port's state can be watched.
    m_pPty = std::make_unique<PtyPair>();
    QVERIFY(m_pPty->IsValid());
    qputenv("VANTO_COM_PORTS", QByteArray::fromStdString(m_pPty->SlavePath()));
    m_pApp = std::make_unique<CUpdaterApp>();
    m_pApp->CreateFonts();
    m_pApp->CreateEngine();
    m_pWizard = std::make_unique<CKestaWizard>(*m_pApp, QString(), nullptr, 0);
    m_pApp->m_pWizard = m_pWizard.get();
}

void TestSheet::cleanup() {
    m_pWizard.reset();
    m_pApp.reset();
    m_pPty.reset();
}

void TestSheet::OpenWizard() {
    m_pWizard->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pWizard.get()));
    Settle();
}

struct ButtonState {
    bool bBack, bNextShown, bNext, bFinishShown, bFinish;
};
Q_DECLARE_METATYPE(ButtonState)

static ButtonState StateOf(const CKestaWizard& wizard) {
    return {wizard.BackButton()->isEnabled(), wizard.NextButton()->isVisible(),
            wizard.NextButton()->isEnabled(), wizard.FinishButton()->isVisible(),
            wizard.FinishButton()->isEnabled()};
}

void TestSheet::requestSetsButtons_data() {
    QTest::addColumn<unsigned>("nFlags");
    QTest::addColumn<ButtonState>("expected");
    //                                      back  next shown/on  finish shown/on
    QTest::newRow("0 nothing") << 0u << ButtonState{false, true, false, false, false};
    QTest::newRow("1 back") << 1u << ButtonState{true, true, false, false, false};
    QTest::newRow("2 next") << 2u << ButtonState{false, true, true, false, false};
    QTest::newRow("3 back next") << 3u << ButtonState{true, true, true, false, false};
    QTest::newRow("4 finish") << 4u << ButtonState{false, false, false, true, true};
    QTest::newRow("5 back finish") << 5u << ButtonState{true, false, false, true, true};
    QTest::newRow("8 disabled finish") << 8u << ButtonState{false, false, false, true, false};
    QTest::newRow("9 back disabled finish") << 9u << ButtonState{true, false, false, true, false};
    QTest::newRow("6 next finish") << 6u << ButtonState{false, false, true, true, true};
}

void TestSheet::requestSetsButtons() {
    QFETCH(unsigned, nFlags);
    QFETCH(ButtonState, expected);
    OpenWizard();
    m_pWizard->PostWizardButtons(nFlags);
    Settle();
    const ButtonState state = StateOf(*m_pWizard);
    QCOMPARE(state.bBack, expected.bBack);
    QCOMPARE(state.bNextShown, expected.bNextShown);
    QCOMPARE(state.bFinishShown, expected.bFinishShown);
    QCOMPARE(state.bFinish, expected.bFinish);
    if (state.bNextShown) {
        QCOMPARE(state.bNext, expected.bNext);
    }
    QVERIFY(m_pWizard->CancelButton()->isEnabled());
}

// Posted, never applied at once: a handler's request takes effect after the
// handler has returned.
void TestSheet::requestIsAppliedAfterTheHandler() {
    OpenWizard();
    const size_t nBefore = m_pWizard->AppliedRequests().size();
    m_pWizard->PostWizardButtons(PSWIZB_BACK);
    m_pWizard->PostWizardButtons(PSWIZB_FINISH);
    QCOMPARE(m_pWizard->AppliedRequests().size(), nBefore);
    Settle();
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_FINISH);
    QVERIFY(m_pWizard->FinishButton()->isEnabled());
}

void TestSheet::requestsFromAWorkerKeepTheirOrder() {
    OpenWizard();
    const size_t nBefore = m_pWizard->AppliedRequests().size();
    constexpr unsigned kPosts = 2000;
    std::thread worker([this] {
        for (unsigned n = 0; n < kPosts; ++n) {
            m_pWizard->PostWizardButtons(n % 16);
        }
    });
    QTRY_COMPARE_WITH_TIMEOUT(m_pWizard->AppliedRequests().size(), nBefore + kPosts, 5000);
    worker.join();
    for (unsigned n = 0; n < kPosts; ++n) {
        QCOMPARE(m_pWizard->AppliedRequests()[nBefore + n], n % 16);
    }
}

void TestSheet::cancelToCloseWaitsUntilCancelIsGone() {
    OpenWizard();
    std::atomic<int> nCancelEnabledAfterReturn{-1};
    std::thread worker([&] {
        m_pWizard->CancelToClose();
        // The sheet has handled it before the call returned; reading the
        // button here is the only widget access of this thread, after the fact.
        QMetaObject::invokeMethod(
            m_pWizard.get(),
            [&] { nCancelEnabledAfterReturn = m_pWizard->CancelButton()->isEnabled(); },
            Qt::QueuedConnection);
    });
    QTRY_VERIFY_WITH_TIMEOUT(nCancelEnabledAfterReturn != -1, 5000);
    worker.join();
    QCOMPARE(nCancelEnabledAfterReturn.load(), 0);
}

void TestSheet::pageFlowWithoutDevice() {
    OpenWizard();
    QCOMPARE(m_pWizard->ActivePageIndex(), 0);
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_NEXT);
    QVERIFY(!m_pWizard->BackButton()->isEnabled());
    QTest::mouseClick(m_pWizard->NextButton(), Qt::LeftButton);
    Settle();
    QCOMPARE(m_pWizard->ActivePageIndex(), 1);
    QCOMPARE(m_pWizard->windowTitle(), QString("Setup Serial Connection and Scan Device"));
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_BACK);
    QVERIFY(!m_pWizard->NextButton()->isEnabled());
    QTest::mouseClick(m_pWizard->BackButton(), Qt::LeftButton);
    Settle();
    QCOMPARE(m_pWizard->ActivePageIndex(), 0);
    QCOMPARE(m_pWizard->windowTitle(), QString("Welcome to VANTO Update"));
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_NEXT);
    // A device found earlier keeps Next on the setup page, without a scan.
    m_pApp->m_bDeviceFound = 1;
    QTest::mouseClick(m_pWizard->NextButton(), Qt::LeftButton);
    Settle();
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_BACK | PSWIZB_NEXT);
    QVERIFY(m_pWizard->NextButton()->isEnabled());
}

void TestSheet::programmingPageFirstVisitEndsWithNine() {
    m_pApp->m_bDeviceFound = 1;
    OpenWizard();
    m_pWizard->SetActivePage(1);
    Settle();
    const size_t nBefore = m_pWizard->AppliedRequests().size();
    QTest::mouseClick(m_pWizard->NextButton(), Qt::LeftButton);
    Settle();
    QCOMPARE(m_pWizard->windowTitle(), QString("Programming Target"));
    const std::vector<unsigned> expected = {PSWIZB_BACK, PSWIZB_BACK | PSWIZB_DISABLEDFINISH};
    const std::vector<unsigned> applied(m_pWizard->AppliedRequests().begin() + nBefore,
                                        m_pWizard->AppliedRequests().end());
    QCOMPARE(applied, expected);
    QVERIFY(m_pWizard->BackButton()->isEnabled());
    QVERIFY(m_pWizard->FinishButton()->isVisible());
    QVERIFY(!m_pWizard->FinishButton()->isEnabled());
    // The second visit posts 9 only: the initialisation ran once.
    m_pWizard->SetActivePage(1);
    Settle();
    const size_t nSecond = m_pWizard->AppliedRequests().size();
    m_pWizard->SetActivePage(2);
    Settle();
    QCOMPARE(m_pWizard->AppliedRequests().size(), nSecond + 1);
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
}

void TestSheet::exitQuestion_data() {
    QTest::addColumn<int>("nAnswer");
    QTest::addColumn<int>("nHow");  // 0 Cancel button, 1 Esc key, 2 window close box
    QTest::addColumn<bool>("bCloses");
    QTest::newRow("Cancel, No") << int(QMessageBox::No) << 0 << false;
    QTest::newRow("Cancel, Yes") << int(QMessageBox::Yes) << 0 << true;
    QTest::newRow("Esc, No") << int(QMessageBox::No) << 1 << false;
    QTest::newRow("Esc, Yes") << int(QMessageBox::Yes) << 1 << true;
    QTest::newRow("close box, No") << int(QMessageBox::No) << 2 << false;
    QTest::newRow("close box, Yes") << int(QMessageBox::Yes) << 2 << true;
}

void TestSheet::exitQuestion() {
    QFETCH(int, nAnswer);
    QFETCH(int, nHow);
    QFETCH(bool, bCloses);
    OpenWizard();
    m_pWizard->SetActivePage(1);
    Settle();
    QCOMPARE(m_pApp->m_pEngine->m_pPort->PortNumber(), uint8_t{1});  // COM1 opened at start
    const std::vector<unsigned> requestsBefore = m_pWizard->AppliedRequests();
    CBoxAnswerer answerer(nAnswer);
    if (nHow == 0) {
        QTest::mouseClick(m_pWizard->CancelButton(), Qt::LeftButton);
    } else if (nHow == 1) {
        QTest::keyClick(m_pWizard.get(), Qt::Key_Escape);
    } else {
        m_pWizard->close();
    }
    Settle();
    QCOMPARE(answerer.Seen().size(), size_t{1});
    const SeenBox& box = answerer.Seen().front();
    QCOMPARE(box.strCaption, QString("Cancel Installation"));
    QCOMPARE(box.strText, QString("Are you sure you want to exit ?"));
    QCOMPARE(box.nIcon, int(QMessageBox::Question));
    QCOMPARE(box.nButtons, int(QMessageBox::Yes | QMessageBox::No));
    QCOMPARE(m_pWizard->isVisible(), !bCloses);
    QCOMPARE(m_pApp->m_pEngine->m_pPort->IsOpen(), !bCloses);
    if (!bCloses) {
        QCOMPARE(m_pWizard->ActivePageIndex(), 1);
        QCOMPARE(m_pWizard->AppliedRequests(), requestsBefore);
        QCOMPARE(m_pWizard->result(), 0);
    }
}

void TestSheet::noQuestionAfterSuccessfulUpdate() {
    m_pApp->m_bUpdateDone = 1;
    OpenWizard();
    CBoxAnswerer answerer(QMessageBox::No);
    QTest::mouseClick(m_pWizard->CancelButton(), Qt::LeftButton);
    Settle();
    QVERIFY(answerer.Seen().empty());
    QVERIFY(!m_pWizard->isVisible());
    QVERIFY(!m_pApp->m_pEngine->m_pPort->IsOpen());
}

// A worker's calls reach the widgets on the UI thread in the order made.
void TestSheet::workerCallsArriveInOrder() {
    OpenWizard();
    m_pWizard->SetActivePage(1);
    CQtPageControls& controls = m_pWizard->SetupPage().PageControls();
    std::vector<QString> written;
    connect(&controls, &CQtPageControls::textWritten, this, [&](int nId, const QString& strText) {
        QCOMPARE(QThread::currentThread(), qApp->thread());
        if (nId == 1031) {
            written.push_back(strText);
        }
    });
    std::thread worker([&] {
        controls.SetText(1031, "");
        for (int n = 1; n <= 200; ++n) {
            controls.AppendText(1031, std::to_string(n) + "\r\n");
        }
        controls.Show(1031, true);
    });
    QTRY_COMPARE_WITH_TIMEOUT(written.size(), size_t{201}, 5000);
    worker.join();
    std::string strExpected;
    for (int n = 1; n <= 200; ++n) {
        strExpected += std::to_string(n) + "\r\n";
    }
    QCOMPARE(controls.Text(1031), strExpected);
    QTRY_VERIFY(m_pWizard->SetupPage().Control(1031)->isVisible());
}

void TestSheet::resultBoxBlocksTheWorkerUntilClosed() {
    OpenWizard();
    CQtPageControls& controls = m_pWizard->SetupPage().PageControls();
    std::atomic<bool> bReturned{false};
    std::atomic<int> nReturnedWhileOpen{-1};
    QString strText, strCaption;
    // The box runs its own event loop, so it is read and closed from a timer.
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            auto* pBox = qobject_cast<QMessageBox*>(pWidget);
            if (pBox == nullptr || !pBox->isVisible()) {
                continue;
            }
            nReturnedWhileOpen = bReturned ? 1 : 0;
            strText = pBox->text();
            strCaption = pBox->windowTitle();
            pBox->button(QMessageBox::Ok)->click();
        }
    });
    closer.start(300);
    std::thread worker([&] {
        controls.ShowMessageBox("line 1\r\nline 2", "VANTO Updating");
        bReturned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(bReturned, 5000);
    worker.join();
    QCOMPARE(nReturnedWhileOpen.load(), 0);  // the worker waited for the user
    QCOMPARE(strText, QString("line 1\nline 2"));
    QCOMPARE(strCaption, QString("VANTO Updating"));
}

// A worker waiting on a sheet that is going away is let go.
void TestSheet::detachReleasesAWaitingWorker() {
    OpenWizard();
    CQtPageControls& controls = m_pWizard->SetupPage().PageControls();
    std::atomic<bool> bReturned{false};
    std::thread worker([&] {
        controls.ShowMessageBox("never shown", "VANTO Updating");
        bReturned = true;
    });
    QTest::qSleep(100);  // the box is queued; no events are processed here
    controls.Detach();
    worker.join();
    QVERIFY(bReturned);
    QCoreApplication::processEvents();
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        QVERIFY(qobject_cast<QMessageBox*>(pWidget) == nullptr || !pWidget->isVisible());
    }
}

VANTO_QTEST_MAIN(TestSheet)
#include "test_sheet.moc"
