#include "tests/procedures/recording_page.h"

void CRecordingPage::Record(const std::string& strEvent) {
    m_events.push_back(strEvent);
}

void CRecordingPage::SetText(int nId, const std::string& strText) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_texts[nId] = strText;
    if (!strText.empty()) {
        m_textHistory[nId].push_back(strText);
    }
    Record("text " + std::to_string(nId) + " " + strText);
}

void CRecordingPage::AppendText(int nId, const std::string& strText) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_texts[nId] += strText;
    Record("append " + std::to_string(nId) + " " + strText);
    if (!m_strPauseText.empty() && strText == m_strPauseText) {
        m_strPauseText.clear();
        m_bPaused = true;
        m_pauseChanged.notify_all();
        m_pauseChanged.wait(lock, [this] { return m_bReleased; });
    }
}

void CRecordingPage::Show(int nId, bool bShow) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_shown[nId] = bShow;
    Record((bShow ? "show " : "hide ") + std::to_string(nId));
}

void CRecordingPage::Enable(int nId, bool bEnable) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_enabled[nId] = bEnable;
    Record((bEnable ? "enable " : "disable ") + std::to_string(nId));
}

void CRecordingPage::SetProgressRange(int nId, int nMax) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_nProgressMax = nMax;
    Record("range " + std::to_string(nId) + " " + std::to_string(nMax));
}

void CRecordingPage::SetProgressPos(int nId, int nPos) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_positions.push_back(nPos);
    Record("pos " + std::to_string(nId) + " " + std::to_string(nPos));
}

void CRecordingPage::ShowMessageBox(const std::string& strText, const std::string& strCaption) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_boxTexts.push_back(strText);
    m_boxCaptions.push_back(strCaption);
    Record("box " + strText);
}

void CRecordingPage::Beep() {
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_nBeeps;
    Record("beep");
}

void CRecordingPage::PauseAtLogText(const std::string& strText) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_strPauseText = strText;
    m_bPaused = false;
    m_bReleased = false;
}

void CRecordingPage::WaitUntilPaused() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_pauseChanged.wait(lock, [this] { return m_bPaused; });
}

void CRecordingPage::ReleasePause() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bReleased = true;
    m_pauseChanged.notify_all();
}

std::string CRecordingPage::Text(int nId) const {
    std::lock_guard<std::mutex> lock(m_lock);
    const auto it = m_texts.find(nId);
    return it == m_texts.end() ? std::string() : it->second;
}

bool CRecordingPage::IsShown(int nId) const {
    std::lock_guard<std::mutex> lock(m_lock);
    const auto it = m_shown.find(nId);
    return it != m_shown.end() && it->second;
}

bool CRecordingPage::IsEnabled(int nId) const {
    std::lock_guard<std::mutex> lock(m_lock);
    const auto it = m_enabled.find(nId);
    return it == m_enabled.end() || it->second;  // controls start enabled
}

std::vector<std::string> CRecordingPage::Events() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
}

std::vector<int> CRecordingPage::ProgressPositions() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_positions;
}

int CRecordingPage::ProgressMax() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_nProgressMax;
}

std::vector<std::string> CRecordingPage::BoxTexts() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_boxTexts;
}

std::vector<std::string> CRecordingPage::BoxCaptions() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_boxCaptions;
}

int CRecordingPage::Beeps() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_nBeeps;
}

std::vector<std::string> CRecordingPage::TextHistory(int nId) const {
    std::lock_guard<std::mutex> lock(m_lock);
    const auto it = m_textHistory.find(nId);
    return it == m_textHistory.end() ? std::vector<std::string>() : it->second;
}

void CRecordingSheet::PostWizardButtons(unsigned nFlags) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_requests.push_back(nFlags);
}

void CRecordingSheet::CancelToClose() {
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_nCancelToClose;
}

std::vector<unsigned> CRecordingSheet::Requests() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
}

unsigned CRecordingSheet::LastRequest() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests.empty() ? 0 : m_requests.back();
}

int CRecordingSheet::CancelToCloseCalls() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_nCancelToClose;
}
