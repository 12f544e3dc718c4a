// The whole road against the simulated device on a pseudo-terminal: scan,
// programming, results, buttons, and leaving while a worker runs.
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/updater_app.h"
#include "tests/wizard/wizard_test_support.h"
#include "wizard/kesta_wizard.h"

namespace {
// A run of a few blocks takes well under a second on the simulator; the
// scan's identify calls and the result box take longer.
constexpr int kScanTimeoutMs = 20000;
constexpr int kRunTimeoutMs = 30000;
const QString kResultCaption = QStringLiteral("VANTO Updating");
}  // namespace

class TestFlow : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void scanFindsDeviceBehindTwoAbsentPorts();
    void successfulUpdate();
    void failedBlockOffersBackAndRetry();
    void leaveDuringScan();
    void leaveDuringProgramming();

private:
    // Devsim as COM3, COM1 and COM2 absent; the wizard shown on the welcome page.
    void Start(const std::vector<std::string>& devsimArgs, int nHexBytes);
    void ScanToDevice();
    void ClickNext();
    QWidget* SetupControl(int nId) { return m_pWizard->SetupPage().Control(nId); }
    QWidget* ProgControl(int nId) { return m_pWizard->ProgTargetPage().Control(nId); }

    std::unique_ptr<CDevsimRunner> m_pDevsim;
    std::unique_ptr<CWorkingDir> m_pDir;
    std::unique_ptr<CUpdaterApp> m_pApp;
    std::unique_ptr<CKestaWizard> m_pWizard;
    std::unique_ptr<CBoxAnswerer> m_pAnswerer;
};

void TestFlow::cleanup() {
    m_pAnswerer.reset();
    m_pWizard.reset();
    m_pApp.reset();
    m_pDir.reset();
    m_pDevsim.reset();
}

void TestFlow::Start(const std::vector<std::string>& devsimArgs, int nHexBytes) {
    m_pDevsim = std::make_unique<CDevsimRunner>(devsimArgs);
    QVERIFY(m_pDevsim->IsRunning());
    qputenv("VANTO_COM_PORTS", QByteArray::fromStdString("::" + m_pDevsim->LinkPath()));
    m_pDir = std::make_unique<CWorkingDir>(nHexBytes, true);
    m_pApp = std::make_unique<CUpdaterApp>();
    m_pApp->CreateFonts();
    m_pApp->CreateEngine();
    m_pWizard = std::make_unique<CKestaWizard>(*m_pApp, QString(), nullptr, 0);
    m_pApp->m_pWizard = m_pWizard.get();
    m_pAnswerer = std::make_unique<CBoxAnswerer>(QMessageBox::Ok);
    m_pWizard->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pWizard.get()));
    QCoreApplication::processEvents();
}

void TestFlow::ClickNext() {
    QVERIFY(m_pWizard->NextButton()->isEnabled());
    QTest::mouseClick(m_pWizard->NextButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
}

void TestFlow::ScanToDevice() {
    ClickNext();
    QCOMPARE(m_pWizard->ActivePageIndex(), 1);
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_BACK);
    QVERIFY(!m_pWizard->NextButton()->isEnabled());
    QTest::mouseClick(static_cast<QPushButton*>(SetupControl(1028)), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_pWizard->SetupPage().IsWorkerRunning(), kScanTimeoutMs);
    QCoreApplication::processEvents();
}

void TestFlow::scanFindsDeviceBehindTwoAbsentPorts() {
    Start({}, 600);
    CQtPageControls& controls = m_pWizard->SetupPage().PageControls();
    std::vector<std::string> statusTexts;
    connect(&controls, &CQtPageControls::textWritten, this, [&](int nId, const QString& strText) {
        if (nId == 1030) {
            statusTexts.push_back(strText.toStdString());
        }
    });
    ScanToDevice();
    QCOMPARE(controls.Text(1031), std::string("COM Port1--Not Available\r\n"
                                              "COM Port2--Not Available\r\n"
                                              "COM Port3--Device Found\r\n"));
    auto* pLog = static_cast<QPlainTextEdit*>(SetupControl(1031));
    QVERIFY(pLog->isVisible() && pLog->isEnabled());
    QCOMPARE(pLog->toPlainText(), QString("COM Port1--Not Available\nCOM Port2--Not Available\n"
                                          "COM Port3--Device Found\n"));
    const std::vector<std::string> expectedStatus = {
        "Connecting device...\r\nMake sure device is in update mode", "Connecting device...",
        "The device is found, Press \" Next \" to continue"};
    QCOMPARE(statusTexts, expectedStatus);
    QCOMPARE(static_cast<QPushButton*>(SetupControl(1028))->text(), QString("Scan Device"));
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_BACK | PSWIZB_NEXT);
    QVERIFY(m_pWizard->BackButton()->isEnabled() && m_pWizard->NextButton()->isEnabled());
    QCOMPARE(m_pApp->m_pEngine->m_pPort->PortNumber(), uint8_t{3});
    // Back and forth again: Back and Next at once, no new scan, log kept.
    QTest::mouseClick(m_pWizard->BackButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    ClickNext();
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_BACK | PSWIZB_NEXT);
    QVERIFY(!m_pWizard->SetupPage().IsWorkerRunning());
    QVERIFY(pLog->isVisible());
    QCOMPARE(statusTexts.size(), expectedStatus.size());
}

void TestFlow::successfulUpdate() {
    Start({}, 5 * 256 + 10);
    ScanToDevice();
    ClickNext();
    CQtPageControls& controls = m_pWizard->ProgTargetPage().PageControls();
    QCOMPARE(controls.Text(1015), std::string("Ready to update the device now."));
    QElapsedTimer clock;
    std::vector<std::pair<qint64, std::string>> elapsedTexts;
    connect(&controls, &CQtPageControls::textWritten, this, [&](int nId, const QString& strText) {
        if (nId == 1014) {
            elapsedTexts.emplace_back(clock.elapsed(), strText.toStdString());
        }
    });
    std::vector<unsigned> duringRun;
    clock.start();
    QTest::mouseClick(static_cast<QPushButton*>(ProgControl(1016)), Qt::LeftButton);
    QCOMPARE(controls.Text(1015), std::string("Programming In Process, Please Wait..."));
    QVERIFY(ProgControl(1013)->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!m_pWizard->ProgTargetPage().IsWorkerRunning(), kRunTimeoutMs);
    QCoreApplication::processEvents();

    QCOMPARE(m_pAnswerer->Seen().size(), size_t{1});
    const SeenBox& box = m_pAnswerer->Seen().front();
    QCOMPARE(box.strCaption, kResultCaption);
    QCOMPARE(box.strRawText, QString("The device has been updated successfully"));
    QCOMPARE(box.nIcon, int(QMessageBox::NoIcon));
    QCOMPARE(box.nButtons, int(QMessageBox::Ok));
    QCOMPARE(controls.Text(1015), std::string("The device has been updated successfully"));
    // The run's requests: Finish disabled alone while running, then Finish alone.
    const std::vector<unsigned>& applied = m_pWizard->AppliedRequests();
    QVERIFY(std::find(applied.begin(), applied.end(), PSWIZB_DISABLEDFINISH) != applied.end());
    QCOMPARE(applied.back(), PSWIZB_FINISH);
    QVERIFY(!m_pWizard->BackButton()->isEnabled());
    QVERIFY(m_pWizard->FinishButton()->isVisible() && m_pWizard->FinishButton()->isEnabled());
    QVERIFY(!m_pWizard->CancelButton()->isEnabled());
    QVERIFY(!ProgControl(1013)->isVisible() && !ProgControl(1014)->isVisible());
    QVERIFY(!ProgControl(1016)->isEnabled());
    // Progress: 6 full-or-partial blocks, the last position clamped to the top.
    auto* pBar = static_cast<QProgressBar*>(ProgControl(1013));
    QCOMPARE(pBar->maximum(), 6);
    QCOMPARE(pBar->value(), 6);
    for (const auto& [nMs, strText] : elapsedTexts) {
        QVERIFY2(strText.empty() || nMs >= 1000, strText.c_str());
    }
    // Finish closes the wizard without a question and leaves the port open.
    m_pAnswerer->Clear();
    QTest::mouseClick(m_pWizard->FinishButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(!m_pWizard->isVisible());
    QVERIFY(m_pAnswerer->Seen().empty());
    QVERIFY(m_pApp->m_pEngine->m_pPort->IsOpen());
}

void TestFlow::failedBlockOffersBackAndRetry() {
    // Block 2 and its retry go unanswered.
    Start({"--drop-block", "2", "--drop-block", "3"}, 4 * 256);
    ScanToDevice();
    ClickNext();
    CQtPageControls& controls = m_pWizard->ProgTargetPage().PageControls();
    QTest::mouseClick(static_cast<QPushButton*>(ProgControl(1016)), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_pWizard->ProgTargetPage().IsWorkerRunning(), kRunTimeoutMs);
    QCoreApplication::processEvents();
    const std::string strNoResponse =
        "Could not get response from the device.\r\n"
        "Please check cable connection and power supply and retry\r\n";
    QCOMPARE(m_pAnswerer->Seen().size(), size_t{1});
    QCOMPARE(m_pAnswerer->Seen().front().strCaption, kResultCaption);
    QCOMPARE(m_pAnswerer->Seen().front().strRawText.toStdString(), strNoResponse);
    QCOMPARE(controls.Text(1015), strNoResponse);
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
    QVERIFY(m_pWizard->BackButton()->isEnabled());
    QVERIFY(m_pWizard->FinishButton()->isVisible() && !m_pWizard->FinishButton()->isEnabled());
    QVERIFY(m_pWizard->CancelButton()->isEnabled());
    QVERIFY(ProgControl(1016)->isEnabled());
    // Back to the setup page: Back and Next at once, no new scan.
    QTest::mouseClick(m_pWizard->BackButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(m_pWizard->ActivePageIndex(), 1);
    QCOMPARE(m_pWizard->AppliedRequests().back(), PSWIZB_BACK | PSWIZB_NEXT);
    QVERIFY(!m_pWizard->SetupPage().IsWorkerRunning());
    // And the exit is still questioned.
    m_pAnswerer->SetAnswer(QMessageBox::No);
    m_pAnswerer->Clear();
    QTest::mouseClick(m_pWizard->CancelButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(m_pAnswerer->Seen().size(), size_t{1});
    QVERIFY(m_pWizard->isVisible());
}

// Yes during a scan: the port is closed, the scan ends promptly and opens
// no further port.
void TestFlow::leaveDuringScan() {
    Start({"--answer-identify-from", "1000"}, 256);
    ClickNext();
    QTest::mouseClick(static_cast<QPushButton*>(SetupControl(1028)), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_pApp->m_pEngine->m_pPort->PortNumber(), uint8_t{3}, 5000);
    m_pAnswerer->SetAnswer(QMessageBox::Yes);
    QTest::mouseClick(m_pWizard->CancelButton(), Qt::LeftButton);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!m_pWizard->isVisible());
    QVERIFY(!m_pApp->m_pEngine->m_pPort->IsOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!m_pWizard->SetupPage().IsWorkerRunning(), 3000);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!m_pApp->m_pEngine->m_pPort->IsOpen());
}

// Yes during programming: the port is closed and the wizard can be torn
// down at once, although the worker is about to show its result box.
void TestFlow::leaveDuringProgramming() {
    Start({"--reply-delay", "40"}, 200 * 256);
    ScanToDevice();
    ClickNext();
    QTest::mouseClick(static_cast<QPushButton*>(ProgControl(1016)), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_pWizard->ProgTargetPage().Procedure().m_nBlocksDone > 3, 5000);
    m_pAnswerer->SetAnswer(QMessageBox::Yes);
    QTest::mouseClick(m_pWizard->CancelButton(), Qt::LeftButton);
    QVERIFY(!m_pWizard->isVisible());
    QVERIFY(!m_pApp->m_pEngine->m_pPort->IsOpen());
    QElapsedTimer clock;
    clock.start();
    m_pWizard.reset();  // joins the worker, which must not hang on a widget
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
}

VANTO_QTEST_MAIN(TestFlow)
#include "test_flow.moc"
