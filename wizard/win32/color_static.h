#pragma once

#include <windows.h>

// Both status labels draw their text in pure blue (COLORREF is 0x00BBGGRR).
inline constexpr COLORREF kStatusBlue = 0x00FF0000;

// The status label: a static control of a page that draws its text in a
// colour of its own on a background of its own. Both colours are read when
// the label is constructed (button text on button face), so that a later
// change of the system colours changes neither. The page answers the
// WM_CTLCOLORSTATIC its dialog receives for the label with OnCtlColor.
class CColorStatic {
public:
    CColorStatic();
    ~CColorStatic();
    CColorStatic(const CColorStatic&) = delete;
    CColorStatic& operator=(const CColorStatic&) = delete;

    // Binds the label to its window (the page's existing static control).
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Window() const { return m_hWnd; }

    // 0xFFFFFFFF stands for the button-text colour at the moment of the call.
    // Repaints the whole control, background included.
    void SetTextColor(COLORREF crText);

    // Colours for the device context; the brush paints the background.
    HBRUSH OnCtlColor(HDC hDC) const;

private:
    COLORREF m_crText;
    COLORREF m_crBack;
    HBRUSH m_brBack;
    HWND m_hWnd = nullptr;
};
