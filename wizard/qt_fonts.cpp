#include "wizard/qt_fonts.h"

#include <QApplication>
#include <QFontMetrics>

namespace {

// The named face first, then faces of similar width that free desktops
// carry, so that texts keep the widths the page layouts were made for: the
// pages' headings and step lines were laid out for a narrow humanist face,
// the rest for Arial's metrics.
QStringList FacesFor(const QString& strFace) {
    if (strFace == QLatin1String("CG Omega")) {
        return {strFace, QStringLiteral("Nimbus Sans Narrow"),
                QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans Condensed")};
    }
    return {strFace, QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
            QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")};
}

}  // namespace

QFont MakeQFont(const CFontSpec& fontSpec) {
    if (fontSpec.strFace.empty() || fontSpec.nHeight <= 0) {
        return QApplication::font();
    }
    QFont font;
    font.setFamilies(FacesFor(QString::fromStdString(fontSpec.strFace)));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(static_cast<QFont::Weight>(fontSpec.nWeight));
    // The height is the whole line (ascent and descent), not the em size: the
    // largest pixel size whose line, in the face actually found, is no taller.
    for (int nPixels = fontSpec.nHeight; nPixels > 1; --nPixels) {
        font.setPixelSize(nPixels);
        if (QFontMetrics(font).height() <= fontSpec.nHeight) {
            break;
        }
    }
    return font;
}
