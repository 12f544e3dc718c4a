#include "wizard/win32/color_static.h"

CColorStatic::CColorStatic()
    : m_crText(GetSysColor(COLOR_BTNTEXT)),
      m_crBack(GetSysColor(COLOR_BTNFACE)),
      m_brBack(CreateSolidBrush(m_crBack)) {}

CColorStatic::~CColorStatic() {
    if (m_brBack != nullptr) {
        DeleteObject(m_brBack);
    }
}

void CColorStatic::SetTextColor(COLORREF crText) {
    m_crText = crText == 0xFFFFFFFF ? GetSysColor(COLOR_BTNTEXT) : crText;
    if (m_hWnd != nullptr) {
        InvalidateRect(m_hWnd, nullptr, TRUE);
    }
}

HBRUSH CColorStatic::OnCtlColor(HDC hDC) const {
    ::SetTextColor(hDC, m_crText);
    SetBkColor(hDC, m_crBack);
    return m_brBack;
}
