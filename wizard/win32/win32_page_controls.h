#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "wizard/procedures/page_controls.h"

// IPageControls on a Win32 page. Every change is carried out on the
// user-interface thread: at once when called there, otherwise posted to the
// page's window as one message each, so that changes take effect in the
// order they were made (the wizard-button requests travel the same queue).
// ShowMessageBox posts too and waits until the box is closed.
class CWin32PageControls : public IPageControls {
public:
    // The message that carries one posted change; the page's dialog
    // procedure hands it to RunPosted.
    static constexpr UINT kRunMessage = WM_APP + 1;

    CWin32PageControls() : m_nUiThread(GetCurrentThreadId()) {}

    // The page's window, once it exists; the caller's thread is the UI thread.
    void Attach(HWND hPage) {
        m_hPage = hPage;
        m_nUiThread = GetCurrentThreadId();
    }
    // Runs the change a kRunMessage carries (its lParam) and frees it.
    static void RunPosted(LPARAM lParam);
    // Posts a change to the page window hPage: the UI thread runs it when the
    // page's dialog procedure takes the message, after every message posted
    // to that thread before. False (the change dropped) when there is no
    // such window. Any thread.
    static bool PostToPage(HWND hPage, std::function<void()> change);

    void SetText(int nId, const std::string& strText) override;
    void AppendText(int nId, const std::string& strText) override;
    void Show(int nId, bool bShow) override;
    void Enable(int nId, bool bEnable) override;
    void SetProgressRange(int nId, int nMax) override;
    void SetProgressPos(int nId, int nPos) override;
    void ShowMessageBox(const std::string& strText, const std::string& strCaption) override;
    void Beep() override;

private:
    void Run(std::function<void()> change);
    HWND Item(int nId) const { return GetDlgItem(m_hPage, nId); }

    HWND m_hPage = nullptr;
    DWORD m_nUiThread;
};
