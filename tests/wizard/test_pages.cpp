// The pages as built from their templates: controls, styles, texts, fonts,
// the picture and the blue status label. No device needed.
#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/qt_fonts.h"
#include "app/updater_app.h"
#include "tests/wizard/wizard_test_support.h"
#include "wizard/color_static.h"
#include "wizard/kesta_wizard.h"

class TestPages : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyControlLiesOnItsPage_data();
    void everyControlLiesOnItsPage();
    void controlsStartAsTheirTemplateSays_data();
    void controlsStartAsTheirTemplateSays();
    void welcomeTextIsExact();
    void introCannotBeEditedNorTabbedTo();
    void pictureFromWorkingDirectory_data();
    void pictureFromWorkingDirectory();
    void everySharedFontFindsARealFace();
    void statusLabelPaintsBlue();
    void setTextColorDefaultTakesCurrentButtonText();
    void labelKeepsItsColorsWhenTextOrPaletteChanges();

private:
    // The wizard on the page with that index, its window shown.
    void OpenOnPage(int nIndex);

    std::unique_ptr<CUpdaterApp> m_pApp;
    std::unique_ptr<CKestaWizard> m_pWizard;
};

void TestPages::init() {
    qputenv("VANTO_COM_PORTS", "");
    m_pApp = std::make_unique<CUpdaterApp>();
    m_pApp->CreateFonts();
    m_pApp->CreateEngine();
    m_pWizard = std::make_unique<CKestaWizard>(*m_pApp, QString(), nullptr, 0);
    m_pApp->m_pWizard = m_pWizard.get();
}

void TestPages::cleanup() {
    m_pWizard.reset();
    m_pApp.reset();
}

void TestPages::OpenOnPage(int nIndex) {
    m_pWizard->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pWizard.get()));
    m_pWizard->SetActivePage(nIndex);
    QCoreApplication::processEvents();
}

static CWizardPage& PageAt(CKestaWizard& wizard, int nIndex) {
    if (nIndex == 0) {
        return wizard.WelcomePage();
    }
    if (nIndex == 1) {
        return wizard.SetupPage();
    }
    return wizard.ProgTargetPage();
}

void TestPages::everyControlLiesOnItsPage_data() {
    QTest::addColumn<int>("nPage");
    QTest::addColumn<int>("nTemplate");
    QTest::newRow("welcome") << 0 << IDD_WELCOME;
    QTest::newRow("setup") << 1 << IDD_SETUP;
    QTest::newRow("programming") << 2 << IDD_PROG_TARGET;
}

// Every template control exists, is of its kind and fits on its page, which
// fits in the sheet's page area.
void TestPages::everyControlLiesOnItsPage() {
    QFETCH(int, nPage);
    QFETCH(int, nTemplate);
    OpenOnPage(nPage);
    CWizardPage& page = PageAt(*m_pWizard, nPage);
    const DIALOG_TEMPLATE* pTemplate = FindDialogTemplate(nTemplate);
    QVERIFY(pTemplate != nullptr);
    for (const CONTROL_TEMPLATE& ctl : pTemplate->controls) {
        QWidget* pControl = page.Control(ctl.nId);
        QVERIFY2(pControl != nullptr, qPrintable(QString::number(ctl.nId)));
        QVERIFY(page.rect().contains(pControl->geometry()));
        QCOMPARE(pControl->property("controlId").toInt(), ctl.nId);
    }
    QVERIFY(page.width() <= m_pWizard->SetupPage().width());
}

void TestPages::controlsStartAsTheirTemplateSays_data() {
    QTest::addColumn<int>("nPage");
    QTest::addColumn<int>("nId");
    QTest::addColumn<bool>("bVisible");
    QTest::addColumn<bool>("bEnabled");
    QTest::addColumn<bool>("bTabStop");
    QTest::newRow("scan log hidden, disabled") << 1 << 1031 << false << false << true;
    QTest::newRow("scan button") << 1 << 1028 << true << true << true;
    QTest::newRow("setup status") << 1 << 1030 << true << true << false;
    QTest::newRow("picture") << 1 << 1006 << true << true << false;
    QTest::newRow("progress hidden, disabled") << 2 << 1013 << false << false << false;
    QTest::newRow("elapsed time") << 2 << 1014 << true << true << false;
    QTest::newRow("start button") << 2 << 1016 << true << true << true;
    QTest::newRow("frame") << 2 << 1038 << true << true << false;
    QTest::newRow("welcome intro") << 0 << 1039 << true << true << false;
}

void TestPages::controlsStartAsTheirTemplateSays() {
    QFETCH(int, nPage);
    QFETCH(int, nId);
    QFETCH(bool, bVisible);
    QFETCH(bool, bEnabled);
    QFETCH(bool, bTabStop);
    OpenOnPage(nPage);
    QWidget* pControl = PageAt(*m_pWizard, nPage).Control(nId);
    QVERIFY(pControl != nullptr);
    QCOMPARE(pControl->isVisible(), bVisible);
    QCOMPARE(pControl->isEnabled(), bEnabled);
    QCOMPARE(static_cast<bool>(pControl->focusPolicy() & Qt::TabFocus), bTabStop);
}

void TestPages::welcomeTextIsExact() {
    OpenOnPage(0);
    const std::string strExpected =
        "This Wizard will guide you through procedures of programming VANTO device.  There are "
        "3 easy steps:\r\n\r\n    Step 1:  Setup serial connection between PC and the "
        "device.\r\n    Step 2:  Scan the device. \r\n    Step 3:  Programming the "
        "Device.\r\n\r\nYou should connect the Device to the computer and place the Device in "
        "\"Update Mode\".  Refer to the instruction manual for details.\r\n\r\n";
    QCOMPARE(m_pWizard->WelcomePage().IntroText(), strExpected);
    auto* pEdit = m_pWizard->WelcomePage().ControlAs<QPlainTextEdit>(1039);
    QString strShown = QString::fromStdString(strExpected);
    strShown.replace("\r\n", "\n");
    QCOMPARE(pEdit->toPlainText(), strShown);
    QCOMPARE(m_pWizard->WelcomePage().ControlAs<QLabel>(1000)->text(),
             QString("VANTO Software Update Utility"));
    QCOMPARE(m_pWizard->WelcomePage().ControlAs<QLabel>(1005)->text(),
             QString("Click \"Next\" to Continue."));
    QCOMPARE(m_pWizard->windowTitle(), QString("Welcome to VANTO Update"));
    QVERIFY(!m_pWizard->windowIcon().isNull());
}

void TestPages::introCannotBeEditedNorTabbedTo() {
    OpenOnPage(0);
    auto* pEdit = m_pWizard->WelcomePage().ControlAs<QPlainTextEdit>(1039);
    const QString strBefore = pEdit->toPlainText();
    pEdit->setFocus();
    QTest::keyClicks(pEdit, "typed");
    QTest::keyClick(pEdit, Qt::Key_Backspace);
    QCOMPARE(pEdit->toPlainText(), strBefore);
    // Tab through the whole sheet: the text box is never reached.
    m_pWizard->NextButton()->setFocus();
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != pEdit);
    }
}

void TestPages::pictureFromWorkingDirectory_data() {
    QTest::addColumn<bool>("bPresent");
    QTest::newRow("kst_PC.bmp present") << true;
    QTest::newRow("kst_PC.bmp missing") << false;
}

void TestPages::pictureFromWorkingDirectory() {
    QFETCH(bool, bPresent);
    CWorkingDir dir(-1, bPresent);
    OpenOnPage(1);
    auto* pPicture = m_pWizard->SetupPage().ControlAs<QLabel>(1006);
    const QPixmap picture = pPicture->pixmap();
    QCOMPARE(!picture.isNull(), bPresent);
    if (bPresent) {
        QCOMPARE(picture.size(), QSize(340, 360));
    }
}

void TestPages::everySharedFontFindsARealFace() {
    for (size_t n = 0; n < m_pApp->m_fonts.size(); ++n) {
        const CFontSpec& sharedFont = m_pApp->m_fonts[n];
        const QFont font = MakeQFont(sharedFont);
        const QFontInfo info(font);
        QVERIFY2(!info.family().isEmpty(), qPrintable(QString("font %1").arg(n)));
        QCOMPARE(font.pixelSize(), sharedFont.nHeight);
        // Bold asks for a bold face; the medium weight may match either face.
        if (sharedFont.nWeight != QFont::Medium) {
            QCOMPARE(info.weight() >= QFont::DemiBold, sharedFont.nWeight >= QFont::DemiBold);
        }
    }
}

// Pixels of blue text; anti-aliased edges blend into the background, the
// strokes themselves are (nearly) pure blue.
static int CountBluePixels(const QImage& image) {
    int nCount = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y);
            nCount += qBlue(rgb) > 230 && qRed(rgb) < 40 && qGreen(rgb) < 40 ? 1 : 0;
        }
    }
    return nCount;
}

void TestPages::statusLabelPaintsBlue() {
    OpenOnPage(2);  // the programming status shows "Ready to update the device now."
    auto* pStatus = dynamic_cast<CColorStatic*>(m_pWizard->ProgTargetPage().Control(1015));
    QVERIFY(pStatus != nullptr);
    QCOMPARE(pStatus->TextColor(), COLORREF{0x00FF0000});
    const QImage image = pStatus->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(CountBluePixels(image) > 20);
    // The background is plain page colour, not blue.
    QCOMPARE(image.pixel(0, 0), ColorFromColorRef(pStatus->BackColor()).rgb());
}

void TestPages::setTextColorDefaultTakesCurrentButtonText() {
    const QPalette original = QApplication::palette();
    CColorStatic label;
    QPalette changed = original;
    changed.setColor(QPalette::ButtonText, QColor(10, 200, 30));
    QApplication::setPalette(changed);
    label.SetTextColor(0xFFFFFFFF);
    QApplication::setPalette(original);
    QCOMPARE(label.TextColor(), ColorRefFromColor(QColor(10, 200, 30)));
}

void TestPages::labelKeepsItsColorsWhenTextOrPaletteChanges() {
    const QPalette original = QApplication::palette();
    CColorStatic label;
    label.resize(200, 40);
    label.SetTextColor(0x00FF0000);
    const COLORREF crBack = label.BackColor();
    QPalette changed = original;
    changed.setColor(QPalette::Button, QColor(1, 2, 3));
    changed.setColor(QPalette::ButtonText, QColor(4, 5, 6));
    QApplication::setPalette(changed);
    label.setText("Programming In Process, Please Wait...");
    const QImage image = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QApplication::setPalette(original);
    QCOMPARE(label.BackColor(), crBack);
    QCOMPARE(label.TextColor(), COLORREF{0x00FF0000});
    QVERIFY(CountBluePixels(image) > 20);
}

VANTO_QTEST_MAIN(TestPages)
#include "test_pages.moc"
