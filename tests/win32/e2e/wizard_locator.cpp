// Where the end-to-end run of the Windows wizard must click, and what the
// wizard shows: a small Windows program run under wine beside the wizard.
//   control PAGE ID     the centre of control ID on template PAGE, from the template
//   sheet PAGE BUTTON   the centre of the sheet's next, back, finish or cancel button
//   box TITLE [BUTTON]  the centre of a message box's ok (the default), yes or no
//   default TITLE       the message box's default button: ok, yes or no
//   text PAGE ID        the text of control ID on page PAGE
//   fits PAGE ID FONT   the room of static ID on page PAGE and the room its text
//                       needs in the wizard's font FONT ("WxH WxH"); exit 2 when cut
//   caption TITLE       the room the box's title bar has for its caption and the
//                       caption's width ("ROOM WIDTH"); exit 2 when it is cut
// Prints "X Y" (screen pixels) or the text; exit 1 while the window or the
// control is not there, hidden or disabled, 2 on a wrong request or when a
// control is not where its template puts it.
#include <windows.h>

#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "app/updater_app.h"
#include "res/dialog_template.h"
#include "wizard/win32/win32_fonts.h"

namespace {

constexpr int kNotThere = 1;
constexpr int kWrong = 2;

// The buttons by name: the sheet's wizard buttons and a message box's.
const std::map<std::string, int> kSheetButtons = {
    {"back", 0x3023}, {"next", 0x3024}, {"finish", 0x3025}, {"cancel", IDCANCEL}};
const std::map<std::string, int> kBoxButtons = {{"ok", IDOK}, {"yes", IDYES}, {"no", IDNO}};

bool Usable(HWND hWnd) {
    return hWnd != nullptr && IsWindowVisible(hWnd) && IsWindowEnabled(hWnd);
}

// Where to click a button: its centre on the screen, printed; kNotThere when
// it cannot be clicked now.
int PrintClickPoint(HWND hButton) {
    if (!Usable(hButton)) {
        return kNotThere;
    }
    RECT rect{};
    GetWindowRect(hButton, &rect);
    std::printf("%ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    return 0;
}

// The sheet when it shows PAGE (the current page's caption is in its title
// bar), or null.
HWND SheetOnPage(const DIALOG_TEMPLATE& page) {
    HWND hSheet = FindWindowA(nullptr, page.pszCaption);
    return hSheet != nullptr && IsWindowVisible(hSheet) ? hSheet : nullptr;
}

// Control nId of hParent, or null without a parent.
HWND Child(HWND hParent, int nId) {
    return hParent != nullptr ? GetDlgItem(hParent, nId) : nullptr;
}

// Control nId of the current page when the sheet shows PAGE, or null.
HWND PageControl(const DIALOG_TEMPLATE& page, int nId) {
    const HWND hSheet = SheetOnPage(page);
    return Child(hSheet != nullptr ? PropSheet_GetCurrentPageHwnd(hSheet) : nullptr, nId);
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
    const HWND hControl = PageControl(page, nId);
    if (!Usable(hControl)) {
        return kNotThere;
    }
    const HWND hPage = GetParent(hControl);
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

// The button that Enter presses: the one that answers as the default push button.
int BoxDefault(const char* pszTitle) {
    for (const auto& [strName, nId] : kBoxButtons) {
        const HWND hButton = Child(FindWindowA("#32770", pszTitle), nId);
        if (Usable(hButton) && (SendMessageA(hButton, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
            std::puts(strName.c_str());
            return 0;
        }
    }
    return kNotThere;
}

// The rectangle DrawText gives pszText in hFont on hWnd, laid out in rect by nFormat.
RECT Measured(HWND hWnd, HGDIOBJ hFont, const char* pszText, RECT rect, UINT nFormat) {
    const HDC hDc = GetDC(hWnd);
    const HGDIOBJ hOld = SelectObject(hDc, hFont);
    DrawTextA(hDc, pszText, -1, &rect, DT_CALCRECT | nFormat);
    SelectObject(hDc, hOld);
    ReleaseDC(hWnd, hDc);
    return rect;
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
    const HFONT hFont = CreateFontIndirectA(&metrics.lfCaptionFont);
    const long nWidth = Measured(hBox, hFont, pszTitle, {}, DT_SINGLELINE | DT_NOPREFIX).right;
    DeleteObject(hFont);
    RECT box{};
    GetWindowRect(hBox, &box);
    const long nRoom = box.right - box.left - 2 * GetSystemMetrics(SM_CXFRAME) -
                       metrics.iCaptionWidth - GetSystemMetrics(SM_CXSMICON);
    std::printf("%ld %ld\n", nRoom, nWidth);
    return nRoom >= nWidth ? 0 : kWrong;
}

// Whether a static's text fits in it: the text laid out as the static draws
// it (word wrap over its width) against its height, in the wizard's font
// nFont made here as the wizard makes it (a font handle is the wizard's own).
int ControlTextFits(const DIALOG_TEMPLATE& page, int nId, int nFont) {
    const HWND hControl = PageControl(page, nId);
    if (!Usable(hControl)) {
        return kNotThere;
    }
    RECT room{};
    GetClientRect(hControl, &room);
    CUpdaterApp app;
    app.CreateFonts();
    const CWin32Fonts fonts(app);
    if (fonts.Font(nFont) == nullptr) {
        return kWrong;
    }
    char szText[1024] = "";
    GetWindowTextA(hControl, szText, sizeof szText);
    const RECT needed =
        Measured(hControl, fonts.Font(nFont), szText, room, DT_WORDBREAK | DT_EXPANDTABS);
    std::printf("%ldx%ld %ldx%ld\n", room.right, room.bottom, needed.right, needed.bottom);
    return needed.right <= room.right && needed.bottom <= room.bottom ? 0 : kWrong;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strWhat = argc > 1 ? argv[1] : "";
    if (strWhat == "box" && (argc == 3 || argc == 4)) {
        const auto button = kBoxButtons.find(argc == 4 ? argv[3] : "ok");
        return button != kBoxButtons.end()
                   ? PrintClickPoint(Child(FindWindowA("#32770", argv[2]), button->second))
                   : kWrong;
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
        const auto button = kSheetButtons.find(argv[3]);
        return button != kSheetButtons.end()
                   ? PrintClickPoint(Child(SheetOnPage(*pPage), button->second))
                   : kWrong;
    }
    if (strWhat == "text") {
        const HWND hControl = PageControl(*pPage, std::atoi(argv[3]));
        char szText[1024] = "";
        if (hControl == nullptr) {
            return kNotThere;
        }
        GetWindowTextA(hControl, szText, sizeof szText);
        std::puts(szText);
        return 0;
    }
    return kWrong;
}
