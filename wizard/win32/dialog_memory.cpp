#include "wizard/win32/dialog_memory.h"

#include <commctrl.h>

#include <string>

namespace {

constexpr DWORD kPageStyle = WS_CHILD | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
constexpr WORD kFontPoints = 8;
constexpr const wchar_t* kFontFace = L"MS Sans Serif";

// Predefined class atoms of the dialog manager.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;

class CWordWriter {
public:
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD dw) {
        Word(LOWORD(dw));
        Word(HIWORD(dw));
    }
    void Short(int n) { Word(static_cast<WORD>(static_cast<short>(n))); }
    // The template texts are ASCII; every character is one UTF-16 unit.
    void Text(const char* psz) {
        for (; psz != nullptr && *psz != '\0'; ++psz) {
            Word(static_cast<unsigned char>(*psz));
        }
        Word(0);
    }
    void WideText(const wchar_t* psz) {
        for (; *psz != L'\0'; ++psz) {
            Word(static_cast<WORD>(*psz));
        }
        Word(0);
    }
    void AlignToDword() {
        if (m_words.size() % 2 != 0) {
            Word(0);
        }
    }
    std::vector<WORD> Take() { return std::move(m_words); }

private:
    std::vector<WORD> m_words;
};

void WriteControl(CWordWriter& out, const CONTROL_TEMPLATE& control) {
    const SControlClass cls = ControlClassOf(control.kind);
    out.AlignToDword();
    out.Dword(WS_CHILD | control.dwStyle | cls.dwKindStyle);
    out.Dword(control.dwExStyle);
    out.Short(control.x);
    out.Short(control.y);
    out.Short(control.cx);
    out.Short(control.cy);
    out.Word(static_cast<WORD>(control.nId));
    if (cls.wAtom != 0) {
        out.Word(0xFFFF);
        out.Word(cls.wAtom);
    } else {
        out.WideText(cls.pszName);
    }
    out.Text(control.pszText);
    out.Word(0);  // no creation data
}

}  // namespace

SControlClass ControlClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Static:
            return {kStaticAtom, nullptr, 0};
        case ControlKind::Edit:
            return {kEditAtom, nullptr, 0};
        case ControlKind::Button:
            return {kButtonAtom, nullptr, BS_PUSHBUTTON};
        case ControlKind::GroupBox:
            return {kButtonAtom, nullptr, BS_GROUPBOX};
        case ControlKind::Progress:
            break;
    }
    return {0, PROGRESS_CLASSW, 0};
}

std::vector<WORD> BuildDialogMemory(const DIALOG_TEMPLATE& dlg) {
    CWordWriter out;
    out.Dword(kPageStyle);
    out.Dword(0);
    out.Word(static_cast<WORD>(dlg.controls.size()));
    out.Short(0);
    out.Short(0);
    out.Short(dlg.cx);
    out.Short(dlg.cy);
    out.Word(0);  // no menu
    out.Word(0);  // the dialog class
    out.Text(dlg.pszCaption);
    out.Word(kFontPoints);
    out.WideText(kFontFace);
    for (const CONTROL_TEMPLATE& control : dlg.controls) {
        WriteControl(out, control);
    }
    out.AlignToDword();
    return out.Take();
}
