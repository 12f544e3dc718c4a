// Where the end-to-end run of the Windows wizard must click, and what the
// wizard shows: a small Windows program run under wine beside the wizard.
//   wizard_locator control PAGE ID   the centre of control ID on template
//                                    PAGE, computed from the template
//   wizard_locator sheet PAGE BUTTON the centre of the sheet's next, back,
//                                    finish or cancel button on page PAGE
//   wizard_locator box TITLE [BUTTON] the centre of a message box's ok (the
//                                    default), yes or no button
//   wizard_locator default TITLE     the message box's default button: ok,
//                                    yes or no
//   wizard_locator text PAGE ID      the text of control ID on page PAGE
//   wizard_locator fits PAGE ID FONT the room of static ID on page PAGE and
//                                    the room its text needs in the wizard's
//                                    font FONT ("WxH WxH"); exit 2 when cut
//   wizard_locator caption TITLE     the room the message box's title bar has
//                                    for its caption, and the caption's width
//                                    ("ROOM WIDTH"); exit 2 when it is cut
// Prints "X Y" (screen pixels) or the text; exit 1 while the window or the
// control is not there, hidden or disabled, 2 on a wrong request or when a
// control is not where its template puts it.
#include <windows.h>

#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/updater_app.h"
#include "res/dialog_template.h"
#include "wizard/win32/win32_fonts.h"

namespace {

constexpr int kNotThere = 1;
constexpr int kWrong = 2;

bool Usable(HWND hWnd) {
    return hWnd != nullptr && IsWindowVisible(hWnd) && IsWindowEnabled(hWnd);
}

int PrintCentre(const RECT& rect) {
    std::printf("%ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    return 0;
}

// Where to click a button: its centre on the screen, printed; kNotThere when
// it cannot be clicked now.
int PrintClickPoint(HWND hButton) {
    if (!Usable(hButton)) {
        return kNotThere;
    }
    RECT rect{};
    GetWindowRect(hButton, &rect);
    return PrintCentre(rect);
}

// The sheet shows the current page's caption in its title bar.
HWND SheetOnPage(const DIALOG_TEMPLATE& page) {
    HWND hSheet = FindWindowA(nullptr, page.pszCaption);
    return hSheet != nullptr && IsWindowVisible(hSheet) ? hSheet : nullptr;
}

// The property sheet gives every page the size of the largest template.
SIZE LargestPage() {
    SIZE size{0, 0};
    for (const int nId : {IDD_WELCOME, IDD_SETUP, IDD_PROG_TARGET}) {
        const DIALOG_TEMPLATE* pPage = FindDialogTemplate(nId);
        size.cx = std::max<LONG>(size.cx, pPage->cx);
        size.cy = std::max<LONG>(size.cy, pPage->cy);
    }
    return size;
}

// The control's rectangle in screen pixels: the template's dialog units scaled
// by the page's own size in pixels over its size in dialog units.
int ControlCentre(const DIALOG_TEMPLATE& page, int nId) {
    const auto pControl = std::find_if(page.controls.begin(), page.controls.end(),
                                       [nId](const CONTROL_TEMPLATE& c) { return c.nId == nId; });
    if (pControl == page.controls.end()) {
        return kWrong;
    }
    const HWND hSheet = SheetOnPage(page);
    const HWND hPage =
        hSheet != nullptr
            ? reinterpret_cast<HWND>(SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0))
            : nullptr;
    const HWND hControl = hPage != nullptr ? GetDlgItem(hPage, nId) : nullptr;
    if (!Usable(hControl)) {
        return kNotThere;
    }
    RECT client{};
    GetClientRect(hPage, &client);
    const SIZE units = LargestPage();
    POINT centre{MulDiv(2 * pControl->x + pControl->cx, client.right, 2 * units.cx),
                 MulDiv(2 * pControl->y + pControl->cy, client.bottom, 2 * units.cy)};
    ClientToScreen(hPage, &centre);
    RECT actual{};
    GetWindowRect(hControl, &actual);
    if (!PtInRect(&actual, centre)) {
        std::fprintf(stderr, "wizard_locator: control %d is at %ld,%ld-%ld,%ld, not at %ld,%ld\n",
                     nId, actual.left, actual.top, actual.right, actual.bottom, centre.x, centre.y);
        return kWrong;
    }
    std::printf("%ld %ld\n", centre.x, centre.y);
    return 0;
}

int SheetButton(const DIALOG_TEMPLATE& page, const std::string& strButton) {
    const int nId = strButton == "next"     ? 0x3024  // ID_WIZNEXT
                    : strButton == "back"   ? 0x3023  // ID_WIZBACK
                    : strButton == "finish" ? 0x3025  // ID_WIZFINISH
                    : strButton == "cancel" ? IDCANCEL
                                            : 0;
    if (nId == 0) {
        return kWrong;
    }
    const HWND hSheet = SheetOnPage(page);
    return PrintClickPoint(hSheet != nullptr ? GetDlgItem(hSheet, nId) : nullptr);
}

struct SBoxButton {
    const char* pszName;
    int nId;
};
constexpr SBoxButton kBoxButtons[] = {{"ok", IDOK}, {"yes", IDYES}, {"no", IDNO}};

int BoxButton(const char* pszTitle, const std::string& strButton) {
    const auto pButton =
        std::find_if(std::begin(kBoxButtons), std::end(kBoxButtons),
                     [&](const SBoxButton& button) { return strButton == button.pszName; });
    if (pButton == std::end(kBoxButtons)) {
        return kWrong;
    }
    const HWND hBox = FindWindowA("#32770", pszTitle);
    return PrintClickPoint(hBox != nullptr ? GetDlgItem(hBox, pButton->nId) : nullptr);
}

// The button that Enter presses: the one that answers as the default push button.
int BoxDefault(const char* pszTitle) {
    const HWND hBox = FindWindowA("#32770", pszTitle);
    for (const SBoxButton& button : kBoxButtons) {
        const HWND hButton = hBox != nullptr ? GetDlgItem(hBox, button.nId) : nullptr;
        if (Usable(hButton) && (SendMessageA(hButton, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
            std::puts(button.pszName);
            return 0;
        }
    }
    return kNotThere;
}

// The title bar's room: the box's width less its frames, the close button
// and the small icon; the caption measured in the caption font.
int BoxCaption(const char* pszTitle) {
    const HWND hBox = FindWindowA("#32770", pszTitle);
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!Usable(hBox) ||
        !SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return kNotThere;
    }
    const HDC hDc = GetDC(hBox);
    const HFONT hFont = CreateFontIndirectA(&metrics.lfCaptionFont);
    const HGDIOBJ hOld = SelectObject(hDc, hFont);
    SIZE caption{};
    GetTextExtentPoint32A(hDc, pszTitle, static_cast<int>(std::strlen(pszTitle)), &caption);
    SelectObject(hDc, hOld);
    DeleteObject(hFont);
    ReleaseDC(hBox, hDc);
    RECT box{};
    GetWindowRect(hBox, &box);
    const long nRoom = box.right - box.left - 2 * GetSystemMetrics(SM_CXFRAME) -
                       metrics.iCaptionWidth - GetSystemMetrics(SM_CXSMICON);
    std::printf("%ld %ld\n", nRoom, caption.cx);
    return nRoom >= caption.cx ? 0 : kWrong;
}

// Control nId of the current page when the sheet shows PAGE, or null.
HWND PageControl(const DIALOG_TEMPLATE& page, int nId) {
    const HWND hSheet = SheetOnPage(page);
    const HWND hPage =
        hSheet != nullptr
            ? reinterpret_cast<HWND>(SendMessageA(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0))
            : nullptr;
    return hPage != nullptr ? GetDlgItem(hPage, nId) : nullptr;
}

int ControlText(const DIALOG_TEMPLATE& page, int nId) {
    const HWND hControl = PageControl(page, nId);
    if (hControl == nullptr) {
        return kNotThere;
    }
    char szText[1024] = "";
    GetWindowTextA(hControl, szText, sizeof szText);
    std::puts(szText);
    return 0;
}

// Whether a static's text fits in it: the text laid out as the static draws
// it (word wrap over its width) against its height, in the wizard's font
// nFont made here as the wizard makes it (a font handle is the wizard's own).
int ControlTextFits(const DIALOG_TEMPLATE& page, int nId, int nFont) {
    const HWND hControl = PageControl(page, nId);
    if (!Usable(hControl)) {
        return kNotThere;
    }
    char szText[1024] = "";
    const int nLen = GetWindowTextA(hControl, szText, sizeof szText);
    RECT room{};
    GetClientRect(hControl, &room);
    RECT needed = room;
    CUpdaterApp app;
    app.CreateFonts();
    const CWin32Fonts fonts(app);
    if (fonts.Font(nFont) == nullptr) {
        return kWrong;
    }
    const HDC hDc = GetDC(hControl);
    const HGDIOBJ hOld = SelectObject(hDc, fonts.Font(nFont));
    DrawTextA(hDc, szText, nLen, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(hDc, hOld);
    ReleaseDC(hControl, hDc);
    std::printf("%ldx%ld %ldx%ld\n", room.right, room.bottom, needed.right, needed.bottom);
    return needed.right <= room.right && needed.bottom <= room.bottom ? 0 : kWrong;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strWhat = argc > 1 ? argv[1] : "";
    if (strWhat == "box" && (argc == 3 || argc == 4)) {
        return BoxButton(argv[2], argc == 4 ? argv[3] : "ok");
    }
    if (strWhat == "default" && argc == 3) {
        return BoxDefault(argv[2]);
    }
    if (strWhat == "caption" && argc == 3) {
        return BoxCaption(argv[2]);
    }
    const DIALOG_TEMPLATE* pPage = argc > 2 ? FindDialogTemplate(std::atoi(argv[2])) : nullptr;
    if (strWhat == "fits" && pPage != nullptr && argc == 5) {
        return ControlTextFits(*pPage, std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (pPage == nullptr || argc != 4) {
        std::fputs(
            "usage: wizard_locator control|sheet|text PAGE ID|BUTTON, fits PAGE ID FONT, box TITLE "
            "[BUTTON], or default|caption TITLE\n",
            stderr);
        return kWrong;
    }
    if (strWhat == "control") {
        return ControlCentre(*pPage, std::atoi(argv[3]));
    }
    if (strWhat == "sheet") {
        return SheetButton(*pPage, argv[3]);
    }
    if (strWhat == "text") {
        return ControlText(*pPage, std::atoi(argv[3]));
    }
    return kWrong;
}
