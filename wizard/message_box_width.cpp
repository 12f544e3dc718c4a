#include "wizard/message_box_width.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

void WidenToCaption(QMessageBox& box) {
    // The window manager draws the title in its own font, mostly bold and
    // often larger than the text's; its icon and its buttons (close, often
    // minimise and maximise) take about a square of the title's height each,
    // with margins between: eight such squares leave room for all of them.
    QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    title.setBold(true);
    const QFontMetrics metrics(title);
    const int nWidth = metrics.horizontalAdvance(box.windowTitle()) + 8 * metrics.height();
    // The box sets its own fixed size from its layout when shown, so the
    // width goes into the layout as a row of its own.
    if (auto* pGrid = qobject_cast<QGridLayout*>(box.layout())) {
        pGrid->addItem(new QSpacerItem(nWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                       pGrid->rowCount(), 0, 1, pGrid->columnCount());
    }
}
