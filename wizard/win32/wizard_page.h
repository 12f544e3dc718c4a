#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "wizard/win32/win32_page_controls.h"

class CUpdaterApp;
class CColorStatic;
class CKestaWizard;
class CWin32Fonts;

// One page of the Win32 wizard: a property page built from its template in
// res/ (in memory, PSP_DLGINDIRECT), with the page procedure behind it. The
// dialog procedure turns the sheet's notifications and the controls'
// commands into the page's handlers, runs the changes that worker threads
// posted, and colours the page's status label.
class CWin32Page {
public:
    CWin32Page(CKestaWizard& wizard, int nTemplateId);
    virtual ~CWin32Page() = default;
    CWin32Page(const CWin32Page&) = delete;
    CWin32Page& operator=(const CWin32Page&) = delete;

    // The page as the sheet takes it.
    PROPSHEETPAGEA Describe();
    HWND Window() const { return m_hPage; }

protected:
    virtual void OnInitDialog() {}
    virtual void OnSetActive() = 0;
    virtual void OnCommand(int /*nId*/) {}
    // The page's status label, if it has one.
    virtual CColorStatic* StatusLabel() { return nullptr; }

    // Sends WM_SETFONT with shared font n to the control (redraw at once).
    void ApplyFont(int nId, int nFont) const;

    CKestaWizard& m_wizard;
    CUpdaterApp& m_app;
    CWin32PageControls m_controls;
    HWND m_hPage = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT nMessage, WPARAM wParam, LPARAM lParam);
    INT_PTR OnNotify(const NMHDR& header);
    INT_PTR OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam);

    std::vector<WORD> m_template;
};
