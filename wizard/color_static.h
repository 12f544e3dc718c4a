#pragma once

#include <QColor>
#include <QLabel>
#include <cstdint>

// A colour as the device kit's pages give it: 0x00BBGGRR.
using COLORREF = uint32_t;

// Both status labels draw their text in pure blue (COLORREF is 0x00BBGGRR).
inline constexpr COLORREF kStatusBlue = 0x00FF0000;

QColor ColorFromColorRef(COLORREF cr);
COLORREF ColorRefFromColor(const QColor& color);

// The status label: a static text drawn in a colour of its own on a
// background of its own. Both colours are taken from the palette when the
// label is constructed (button text on button face), so a later change of
// the desktop colours changes neither.
class CColorStatic : public QLabel {
public:
    explicit CColorStatic(QWidget* pParent = nullptr);

    // 0xFFFFFFFF stands for the desktop's button-text colour at the moment
    // of the call. Repaints the whole label.
    void SetTextColor(COLORREF crText);

    COLORREF TextColor() const { return m_crText; }
    COLORREF BackColor() const { return m_crBack; }

private:
    void ApplyColors();

    COLORREF m_crText;
    COLORREF m_crBack;
};
