#include "wizard/win32/message_box.h"

#include <cstring>

namespace {

// The hook of the box being shown on this thread (one at a time per thread).
thread_local HHOOK t_hHook = nullptr;

// The width the title bar needs: the caption in the caption font, the small
// icon, the close button and the frames, with a margin of a button's width.
int CaptionWidth(HWND hBox) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return 0;
    }
    char szCaption[256] = "";
    const int nLength = GetWindowTextA(hBox, szCaption, sizeof szCaption);
    const HDC hDc = GetDC(hBox);
    const HFONT hFont = CreateFontIndirectA(&metrics.lfCaptionFont);
    const HGDIOBJ hOld = SelectObject(hDc, hFont);
    SIZE text{};
    GetTextExtentPoint32A(hDc, szCaption, nLength, &text);
    SelectObject(hDc, hOld);
    DeleteObject(hFont);
    ReleaseDC(hBox, hDc);
    return text.cx + GetSystemMetrics(SM_CXSMICON) + 2 * metrics.iCaptionWidth +
           4 * GetSystemMetrics(SM_CXFRAME);
}

BOOL CALLBACK ShiftChild(HWND hChild, LPARAM nShift) {
    if (GetParent(hChild) != GetAncestor(hChild, GA_ROOT)) {
        return TRUE;  // only the box's own controls
    }
    RECT rect{};
    GetWindowRect(hChild, &rect);
    MapWindowPoints(nullptr, GetParent(hChild), reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(hChild, nullptr, rect.left + static_cast<int>(nShift), rect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

// When the box is about to show: wider by what the caption lacks, its
// controls moved to the middle, and still centred where it was.
LRESULT CALLBACK WidenBox(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HCBT_ACTIVATE) {
        const HWND hBox = reinterpret_cast<HWND>(wParam);
        char szClass[16] = "";
        GetClassNameA(hBox, szClass, sizeof szClass);
        RECT rect{};
        GetWindowRect(hBox, &rect);
        const int nLacking = CaptionWidth(hBox) - (rect.right - rect.left);
        if (std::strcmp(szClass, "#32770") == 0 && nLacking > 0) {
            SetWindowPos(hBox, nullptr, rect.left - nLacking / 2, rect.top,
                         rect.right - rect.left + nLacking, rect.bottom - rect.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            EnumChildWindows(hBox, ShiftChild, nLacking / 2);
        }
        const HHOOK hHook = t_hHook;
        t_hHook = nullptr;
        UnhookWindowsHookEx(hHook);  // the box is the first window activated
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

}  // namespace

int MessageBoxFittingCaption(HWND hOwner, const char* pszText, const char* pszCaption, UINT nType) {
    t_hHook = SetWindowsHookExA(WH_CBT, WidenBox, nullptr, GetCurrentThreadId());
    const int nAnswer = MessageBoxA(hOwner, pszText, pszCaption, nType);
    if (t_hHook != nullptr) {  // the box never became active
        UnhookWindowsHookEx(t_hHook);
        t_hHook = nullptr;
    }
    return nAnswer;
}
