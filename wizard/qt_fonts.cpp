#include "wizard/qt_fonts.h"

#include <QApplication>

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
    font.setPixelSize(fontSpec.nHeight);
    font.setWeight(static_cast<QFont::Weight>(fontSpec.nWeight));
    return font;
}
