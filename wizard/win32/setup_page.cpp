#include "wizard/win32/setup_page.h"

#include <string>

#include "res/control_ids.h"
#include "res/page_texts.h"
#include "wizard/win32/kesta_wizard.h"

CSetupPage::CSetupPage(CKestaWizard& wizard)
    : CWin32Page(wizard, IDD_SETUP), m_setup(wizard.App(), m_view) {}

CSetupPage::~CSetupPage() {
    if (m_hPicture != nullptr) {
        DeleteObject(m_hPicture);
    }
}

void CSetupPage::OnInitDialog() {
    m_status.Attach(GetDlgItem(m_hPage, IDC_SETUP_STATUS));
    ApplyFont(IDC_SETUP_TITLE, 4);
    for (int nId : {IDC_SETUP_STEP1, IDC_SETUP_STEP2, IDC_SETUP_STEP3, IDC_SETUP_STATUS}) {
        ApplyFont(nId, 8);
    }
    m_status.SetTextColor(kStatusBlue);
    // Titles, step texts, "Scan Device".
    m_view.OnInitDialog();
    ApplyFont(IDC_SCAN_BUTTON, 4);
    LoadPicture();
}

// The cabling picture comes from the working directory, else from beside the
// program (where the installer puts it). Without either the frame stays empty.
void CSetupPage::LoadPicture() {
    m_hPicture = static_cast<HBITMAP>(
        LoadImageA(nullptr, kCablingPicture, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (m_hPicture == nullptr) {
        char szPath[MAX_PATH] = {};
        const DWORD nLen = GetModuleFileNameA(nullptr, szPath, MAX_PATH);
        std::string strPath(szPath, nLen);
        strPath = strPath.substr(0, strPath.find_last_of('\\') + 1) + kCablingPicture;
        m_hPicture = static_cast<HBITMAP>(
            LoadImageA(nullptr, strPath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    }
    const HWND hFrame = GetDlgItem(m_hPage, IDC_SETUP_PICTURE);
    if (m_hPicture == nullptr || hFrame == nullptr) {
        return;
    }
    // The frame becomes a centred bitmap static for the picture.
    const LONG_PTR nStyle = GetWindowLongPtrA(hFrame, GWL_STYLE);
    SetWindowLongPtrA(hFrame, GWL_STYLE,
                      (nStyle & ~LONG_PTR{SS_TYPEMASK}) | SS_BITMAP | SS_CENTERIMAGE);
    SendMessageA(hFrame, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_hPicture));
}

void CSetupPage::OnSetActive() {
    m_setup.OnSetActive();
}

void CSetupPage::OnCommand(int nId) {
    if (nId == IDC_SCAN_BUTTON) {
        m_setup.OnScanDevice();
    }
}
