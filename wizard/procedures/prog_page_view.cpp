#include "wizard/procedures/prog_page_view.h"

#include <cstdio>
#include <cstdlib>

#include "link/result_codes.h"
#include "res/control_ids.h"
#include "res/page_texts.h"
#include "wizard/procedures/page_controls.h"

namespace {

struct SResultText {
    int nCode;
    const char* pszText;
};

constexpr SResultText kResultTexts[] = {
    {UPD_OK, kResultUpdated},
    {UPD_CHECKSUM_ERROR, kResultChecksumError},
    {UPD_FLASH_ADDRESS_ERROR, kResultFlashAddressError},
    {UPD_PORT_WRITE_FAILED, kResultPortWriteFailed},
    {UPD_NO_RESPONSE, kResultNoResponse},
    {UPD_TRANSMISSION_ERROR, kResultTransmissionError},
    {UPD_FILE_ERROR, kResultFileError},
};

}  // namespace

void CProgPageView::OnInitDialog() {
    m_controls.SetText(IDC_PROG_STATUS, kProgReady);
}

void CProgPageView::StartWaitsForScan() {
    m_controls.SetText(IDC_PROG_STATUS, kScanStillRunning);
}

// The last run's result goes from the status label.
void CProgPageView::RunStarting() {
    m_controls.SetText(IDC_PROG_STATUS, "");
}

void CProgPageView::ImageLoaded(int nBlockTotal) {
    m_controls.Show(IDC_PROGRESS, true);
    m_controls.Enable(IDC_PROGRESS, true);
    // The whole count: a range cut to 16 bits would end the bar early (or at 0).
    m_controls.SetProgressRange(IDC_PROGRESS, nBlockTotal);
    m_controls.SetText(IDC_PROG_STATUS, kProgRunning);
    m_controls.Show(IDC_ELAPSED_TIME, true);
    m_controls.Enable(IDC_ELAPSED_TIME, true);
    m_controls.SetProgressPos(IDC_PROGRESS, 1);
}

void CProgPageView::TransferBegun() {
    m_controls.Enable(IDC_START_BUTTON, false);
}

// The label is not written in the first second nor at a whole hour: it then
// keeps its previous text.
void CProgPageView::BlockSent(const SRunProgress& progress) {
    m_controls.SetProgressPos(IDC_PROGRESS, progress.nCalls);
    std::string strText;
    if (FormatElapsedTime(progress.nSeconds, strText)) {
        m_controls.SetText(IDC_ELAPSED_TIME, strText);
    }
}

void CProgPageView::TransferEnded(const SRunResult& result) {
    PutAwayRunControls();
    m_controls.SetText(IDC_ELAPSED_TIME, "");
    m_controls.Show(IDC_ELAPSED_TIME, false);
    m_controls.Enable(IDC_ELAPSED_TIME, false);
    // The user who left hears nothing; the program is closing (and a beep
    // that blocks, as on Windows, would hold up the abort for the device).
    if (result.eEnd != ERunEnd::Left) {
        m_controls.Beep();
    }
    if (result.nCode != UPD_OK) {
        m_controls.Enable(IDC_START_BUTTON, true);
    }
}

void CProgPageView::RunEnded(const SRunResult& result) {
    switch (result.eEnd) {
        case ERunEnd::Finished:
            ShowResultBox(result.nCode);
            ShowResultStatus(result.nCode);
            break;
        case ERunEnd::NoImage:
            m_controls.Beep();
            m_controls.SetText(IDC_PROG_STATUS, NoImageStatus(result));
            ShowResultBox(result.nCode);
            break;
        case ERunEnd::NotStarted:
            // Back to Ready, as if the run had never begun, without a message.
            PutAwayRunControls();
            m_controls.Show(IDC_ELAPSED_TIME, false);
            m_controls.Enable(IDC_ELAPSED_TIME, false);
            m_controls.Enable(IDC_START_BUTTON, true);
            break;
        case ERunEnd::Left:
            break;
    }
}

void CProgPageView::PutAwayRunControls() {
    m_controls.Show(IDC_PROGRESS, false);
    m_controls.Enable(IDC_PROGRESS, false);
}

bool CProgPageView::GetResultText(int nCode, std::string& strText) {
    for (const SResultText& entry : kResultTexts) {
        if (entry.nCode == nCode) {
            strText = entry.pszText;
            return true;
        }
    }
    strText.clear();
    return false;
}

bool CProgPageView::FormatElapsedTime(long s, std::string& strText) {
    if (s % 3600 == 0) {
        return false;
    }
    const long nMinutes = s / 60 - (s / 3600) * 60;
    const long nSeconds = s - (s / 60) * 60;
    char szText[64];
    std::snprintf(szText, sizeof szText, kElapsedTimeFormat, nMinutes, nSeconds);
    strText = szText;
    return true;
}

std::string CProgPageView::ShortFolderName(const std::string& strFolder, const char* pszHome) {
    constexpr size_t kLongest = 40;
    std::string strShort = strFolder;
    const std::string strHome = pszHome != nullptr ? pszHome : "";
    if (strHome.size() > 1 && strShort.starts_with(strHome) &&
        (strShort.size() == strHome.size() || strShort[strHome.size()] == '/')) {
        strShort.replace(0, strHome.size(), "~");
    }
    if (strShort.size() > kLongest) {
        size_t nFrom = strShort.size() - (kLongest - 3);
        while (nFrom < strShort.size() &&
               (static_cast<unsigned char>(strShort[nFrom]) & 0xC0) == 0x80) {
            ++nFrom;  // not inside a UTF-8 sequence
        }
        strShort.replace(0, nFrom, "...");
    }
    return strShort;
}

// Started from a menu, the user may not know which folder the program works
// in: the file error's text, and below it where the file was looked for.
std::string CProgPageView::NoImageStatus(const SRunResult& result) {
    std::string strText;
    GetResultText(result.nCode, strText);
    if (!result.strImageFolder.empty()) {
        char szFolder[128];
        std::snprintf(szFolder, sizeof szFolder, kResultLookedIn,
                      ShortFolderName(result.strImageFolder, std::getenv("HOME")).c_str());
        strText += std::string("\r\n") + szFolder;
    }
    return strText;
}

void CProgPageView::ShowResultBox(int nCode) {
    std::string strText;
    if (GetResultText(nCode, strText)) {
        m_controls.ShowMessageBox(strText, kResultCaption);
    }
}

void CProgPageView::ShowResultStatus(int nCode) {
    std::string strText;
    GetResultText(nCode, strText);
    m_controls.SetText(IDC_PROG_STATUS, strText);
}
