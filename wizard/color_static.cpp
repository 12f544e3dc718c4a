#include "wizard/color_static.h"

#include <QApplication>
#include <QPalette>

QColor ColorFromColorRef(COLORREF cr) {
    return QColor(static_cast<int>(cr & 0xFF), static_cast<int>((cr >> 8) & 0xFF),
                  static_cast<int>((cr >> 16) & 0xFF));
}

COLORREF ColorRefFromColor(const QColor& color) {
    return static_cast<COLORREF>(color.red()) | static_cast<COLORREF>(color.green()) << 8 |
           static_cast<COLORREF>(color.blue()) << 16;
}

namespace {
COLORREF SystemColor(QPalette::ColorRole role) {
    return ColorRefFromColor(QApplication::palette().color(QPalette::Active, role));
}
}  // namespace

CColorStatic::CColorStatic(QWidget* pParent)
    : QLabel(pParent),
      m_crText(SystemColor(QPalette::ButtonText)),
      m_crBack(SystemColor(QPalette::Button)) {
    setAutoFillBackground(true);
    ApplyColors();
}

void CColorStatic::SetTextColor(COLORREF crText) {
    if (crText == 0xFFFFFFFF) {
        crText = SystemColor(QPalette::ButtonText);
    }
    m_crText = crText;
    ApplyColors();
    update();
}

void CColorStatic::ApplyColors() {
    // The label keeps its own palette, so a change of the application palette
    // no longer reaches it.
    QPalette palette = this->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::WindowText, ColorFromColorRef(m_crText));
        palette.setColor(group, QPalette::Window, ColorFromColorRef(m_crBack));
    }
    setPalette(palette);
}
