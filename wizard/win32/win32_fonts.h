#pragma once

#include <windows.h>

#include <array>

#include "app/updater_app.h"

// The nine shared fonts as GDI fonts, made with CreateFontA from the
// application's font table: the heights are cell heights in pixels at 96 dots
// per inch and grow with the screen's DPI like the dialog units around them
// (the program is DPI aware). A face that is not installed ("CG Omega") is
// replaced by the font mapper; a font that cannot be made stays null, and the
// control keeps its dialog font.
class CWin32Fonts {
public:
    explicit CWin32Fonts(const CUpdaterApp& app);
    ~CWin32Fonts();
    CWin32Fonts(const CWin32Fonts&) = delete;
    CWin32Fonts& operator=(const CWin32Fonts&) = delete;

    HFONT Font(int n) const { return n >= 0 && n < 9 ? m_fonts[static_cast<size_t>(n)] : nullptr; }

private:
    std::array<HFONT, 9> m_fonts{};
};
