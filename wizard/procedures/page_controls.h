#pragma once

#include <string>

// What a page view (CSetupPageView, CProgPageView) changes on its page.
// Controls are known by their template ids; an id the page does not have is
// passed over. Every call may come from a worker thread; an implementation
// carries the change out on its user-interface thread in the order the calls
// were made (queued), and only ShowMessageBox waits for the user. None
// returns a value: a change the page can no longer make (its window is
// gone) is dropped.
class IPageControls {
public:
    virtual ~IPageControls() = default;

    // The control's whole text becomes strText ("\r\n" for line breaks).
    virtual void SetText(int nId, const std::string& strText) = 0;
    // strText goes after the control's text (the scan log).
    virtual void AppendText(int nId, const std::string& strText) = 0;
    // The control is shown or hidden; enabled or disabled.
    virtual void Show(int nId, bool bShow) = 0;
    virtual void Enable(int nId, bool bEnable) = 0;
    // The progress bar's range becomes 0..nMax; its position becomes nPos
    // (one above the top shows a full bar).
    virtual void SetProgressRange(int nId, int nMax) = 0;
    virtual void SetProgressPos(int nId, int nPos) = 0;
    // A message box owned by the page, OK only, no icon; returns once it is
    // closed (or at once when the page is going away).
    virtual void ShowMessageBox(const std::string& strText, const std::string& strCaption) = 0;
    // The end-of-run signal: a 600 Hz tone of 200 ms where the machine has a
    // speaker, the desktop's bell otherwise.
    virtual void Beep() = 0;
};
