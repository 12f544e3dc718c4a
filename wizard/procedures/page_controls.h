#pragma once

#include <string>

// What a page procedure changes on its page. Controls are known by their
// template ids. Every call may come from a worker thread; an implementation
// carries the change out on its user-interface thread in the order the calls
// were made (queued), and only ShowMessageBox waits for the user.
class IPageControls {
public:
    virtual ~IPageControls() = default;

    virtual void SetText(int nId, const std::string& strText) = 0;
    // Appends to the control's text (the scan log).
    virtual void AppendText(int nId, const std::string& strText) = 0;
    virtual void Show(int nId, bool bShow) = 0;
    virtual void Enable(int nId, bool bEnable) = 0;
    // Progress bar: range 0..nMax and position.
    virtual void SetProgressRange(int nId, int nMax) = 0;
    virtual void SetProgressPos(int nId, int nPos) = 0;
    // A message box owned by the page, OK only, no icon; returns once closed.
    virtual void ShowMessageBox(const std::string& strText, const std::string& strCaption) = 0;
    // The end-of-run signal (600 Hz for 200 ms on the original hardware).
    virtual void Beep() = 0;
};
