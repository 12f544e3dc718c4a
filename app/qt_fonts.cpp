#include "app/qt_fonts.h"

#include <QApplication>

QFont MakeQFont(const CFontSpec& spec) {
    if (spec.strFace.empty() || spec.nHeight <= 0) {
        return QApplication::font();
    }
    QFont font(QString::fromStdString(spec.strFace));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(spec.nHeight);
    font.setWeight(static_cast<QFont::Weight>(spec.nWeight));
    return font;
}
