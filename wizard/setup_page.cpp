#include "wizard/setup_page.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "res/page_texts.h"
#include "wizard/color_static.h"

CSetupPage::CSetupPage(CUpdaterApp& app)
    : CWizardPage(app, IDD_SETUP, {IDC_SETUP_STATUS}), m_setup(app, m_view) {}

CSetupPage::~CSetupPage() {
    // A scan still running may wait on the page; let it go before it is joined.
    m_pageControls.Detach();
}

void CSetupPage::OnCreated(const std::map<int, QWidget*>& controls) {
    m_pageControls.SetControls(controls);
    if (auto* pButton = ControlAs<QPushButton>(IDC_SCAN_BUTTON)) {
        connect(pButton, &QPushButton::clicked, this, [this] { m_setup.OnScanDevice(); });
    }
}

void CSetupPage::OnInitDialog() {
    ApplyFont(IDC_SETUP_TITLE, 4);
    for (int nId : {IDC_SETUP_STEP1, IDC_SETUP_STEP2, IDC_SETUP_STEP3, IDC_SETUP_STATUS}) {
        ApplyFont(nId, 8);
    }
    if (auto* pStatus = dynamic_cast<CColorStatic*>(Control(IDC_SETUP_STATUS))) {
        pStatus->SetTextColor(kStatusBlue);
    }
    // Titles, step texts, "Scan Device".
    m_view.OnInitDialog();
    ApplyFont(IDC_SCAN_BUTTON, 4);
    LoadPicture();
}

void CSetupPage::LoadPicture() {
    // The cabling picture is read from the working directory and centred.
    // When it is not there, the copy installed with the program is shown:
    // it lies in share/vanto-updater beside the bin folder, found from the
    // executable so that any install prefix or unpacked package tree works.
    // When neither can be read the frame stays empty.
    auto* pPicture = ControlAs<QLabel>(IDC_SETUP_PICTURE);
    QPixmap picture(QString::fromUtf8(kCablingPicture));
    if (picture.isNull()) {
        picture.load(QCoreApplication::applicationDirPath() + "/../share/vanto-updater/" +
                     QString::fromUtf8(kCablingPicture));
    }
    if (pPicture != nullptr && !picture.isNull()) {
        pPicture->setAlignment(Qt::AlignCenter);
        pPicture->setPixmap(picture);
    }
}

void CSetupPage::OnSetActive() {
    m_setup.OnSetActive();
}
