#include "wizard/win32/win32_fonts.h"

namespace {

int ScreenDpi() {
    const HDC hScreen = GetDC(nullptr);
    const int nDpi = hScreen != nullptr ? GetDeviceCaps(hScreen, LOGPIXELSY) : 96;
    if (hScreen != nullptr) {
        ReleaseDC(nullptr, hScreen);
    }
    return nDpi > 0 ? nDpi : 96;
}

}  // namespace

CWin32Fonts::CWin32Fonts(const CUpdaterApp& app) {
    const int nDpi = ScreenDpi();
    for (size_t n = 0; n < m_fonts.size(); ++n) {
        const CFontSpec& font = app.m_fonts[n];
        if (font.strFace.empty()) {
            continue;
        }
        m_fonts[n] =
            CreateFontA(MulDiv(font.nHeight, nDpi, 96), 0, 0, 0, font.nWeight, 0, 0, 0,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, font.strFace.c_str());
    }
}

CWin32Fonts::~CWin32Fonts() {
    for (HFONT hFont : m_fonts) {
        if (hFont != nullptr) {
            DeleteObject(hFont);
        }
    }
}
