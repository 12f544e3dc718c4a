#include "wizard/win32/win32_page_controls.h"

#include <commctrl.h>

#include <future>
#include <memory>

#include "wizard/win32/message_box.h"

void CWin32PageControls::RunPosted(LPARAM lParam) {
    std::unique_ptr<std::function<void()>> pChange(
        reinterpret_cast<std::function<void()>*>(lParam));
    (*pChange)();
}

bool CWin32PageControls::PostToPage(HWND hPage, std::function<void()> change) {
    auto* pChange = new std::function<void()>(std::move(change));
    if (hPage == nullptr ||
        !PostMessageA(hPage, kRunMessage, 0, reinterpret_cast<LPARAM>(pChange))) {
        delete pChange;  // the page is gone: nothing left to change
        return false;
    }
    return true;
}

void CWin32PageControls::Run(std::function<void()> change) {
    if (GetCurrentThreadId() == m_nUiThread) {
        change();
        return;
    }
    PostToPage(m_hPage, std::move(change));
}

void CWin32PageControls::SetText(int nId, const std::string& strText) {
    Run([this, nId, strText] { SetDlgItemTextA(m_hPage, nId, strText.c_str()); });
}

void CWin32PageControls::AppendText(int nId, const std::string& strText) {
    Run([this, nId, strText] {
        const HWND hEdit = Item(nId);
        const LRESULT nEnd = SendMessageA(hEdit, WM_GETTEXTLENGTH, 0, 0);
        SendMessageA(hEdit, EM_SETSEL, static_cast<WPARAM>(nEnd), nEnd);
        SendMessageA(hEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(strText.c_str()));
    });
}

void CWin32PageControls::Show(int nId, bool bShow) {
    Run([this, nId, bShow] { ShowWindow(Item(nId), bShow ? SW_SHOW : SW_HIDE); });
}

void CWin32PageControls::Enable(int nId, bool bEnable) {
    Run([this, nId, bEnable] { EnableWindow(Item(nId), bEnable ? TRUE : FALSE); });
}

void CWin32PageControls::SetProgressRange(int nId, int nMax) {
    // The 32-bit range: an image of more than 65535 blocks still fills the bar.
    Run([this, nId, nMax] { SendMessageA(Item(nId), PBM_SETRANGE32, 0, nMax); });
}

void CWin32PageControls::SetProgressPos(int nId, int nPos) {
    Run([this, nId, nPos] { SendMessageA(Item(nId), PBM_SETPOS, static_cast<WPARAM>(nPos), 0); });
}

void CWin32PageControls::ShowMessageBox(const std::string& strText, const std::string& strCaption) {
    if (GetCurrentThreadId() == m_nUiThread) {
        MessageBoxFittingCaption(m_hPage, strText.c_str(), strCaption.c_str(), MB_OK);
        return;
    }
    auto closed = std::make_shared<std::promise<void>>();
    std::future<void> isClosed = closed->get_future();
    auto* pChange = new std::function<void()>([this, strText, strCaption, closed] {
        MessageBoxFittingCaption(m_hPage, strText.c_str(), strCaption.c_str(), MB_OK);
        closed->set_value();
    });
    if (m_hPage == nullptr ||
        !PostMessageA(m_hPage, kRunMessage, 0, reinterpret_cast<LPARAM>(pChange))) {
        delete pChange;
        return;
    }
    isClosed.wait();
}

void CWin32PageControls::Beep() {
    ::Beep(600, 200);
}
