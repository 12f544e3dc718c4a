#include "wizard/page_builder.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "wizard/color_static.h"

QRect DialogUnitsToPixels(int x, int y, int cx, int cy) {
    const QSize size = DialogSizeToPixels(cx, cy);
    return QRect(x * 6 / 4, y * 13 / 8, size.width(), size.height());
}

QSize DialogSizeToPixels(int cx, int cy) {
    return QSize(cx * 6 / 4, cy * 13 / 8);
}

QString ToWidgetText(const std::string& strText) {
    QString str = QString::fromStdString(strText);
    str.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return str;
}

namespace {

bool Has(const CONTROL_TEMPLATE& ctl, uint32_t dwStyle) {
    return (ctl.dwStyle & dwStyle) == dwStyle;
}

QWidget* MakeStatic(const CONTROL_TEMPLATE& ctl, bool bColor, QWidget* pPage) {
    QLabel* pLabel = bColor ? new CColorStatic(pPage) : new QLabel(pPage);
    pLabel->setTextFormat(Qt::PlainText);
    const bool bCentre = (ctl.dwStyle & SS_TYPEMASK) == SS_CENTER;
    // SS_CENTERIMAGE centres a single line vertically; otherwise the text
    // starts at the top and wraps at word boundaries.
    const Qt::Alignment vertical = Has(ctl, SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
    pLabel->setAlignment((bCentre ? Qt::AlignHCenter : Qt::AlignLeft) | vertical);
    pLabel->setWordWrap(!Has(ctl, SS_CENTERIMAGE));
    if (ctl.dwExStyle & WS_EX_STATICEDGE) {
        pLabel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
    pLabel->setText(ToWidgetText(ctl.pszText));
    return pLabel;
}

QWidget* MakeEdit(const CONTROL_TEMPLATE& ctl, QWidget* pPage) {
    auto* pEdit = new QPlainTextEdit(pPage);
    pEdit->setReadOnly(Has(ctl, ES_READONLY));
    // A multi-line edit without ES_AUTOHSCROLL wraps its lines.
    pEdit->setLineWrapMode(Has(ctl, ES_AUTOHSCROLL) ? QPlainTextEdit::NoWrap
                                                    : QPlainTextEdit::WidgetWidth);
    pEdit->setVerticalScrollBarPolicy(Has(ctl, WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                           : Qt::ScrollBarAlwaysOff);
    pEdit->setHorizontalScrollBarPolicy(Has(ctl, WS_HSCROLL) ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAlwaysOff);
    if (!Has(ctl, WS_BORDER)) {
        pEdit->setFrameStyle(QFrame::NoFrame);
        // Without a border the box reads as part of the page.
        pEdit->viewport()->setAutoFillBackground(false);
        pEdit->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    }
    pEdit->setPlainText(ToWidgetText(ctl.pszText));
    return pEdit;
}

QWidget* MakeProgress(const CONTROL_TEMPLATE&, QWidget* pPage) {
    // The template text ("Progress1") is a designer's name; the bar shows no text.
    auto* pBar = new QProgressBar(pPage);
    pBar->setTextVisible(false);
    pBar->setRange(0, 100);
    pBar->setValue(0);
    return pBar;
}

QWidget* MakeControl(const CONTROL_TEMPLATE& ctl, bool bColor, QWidget* pPage) {
    switch (ctl.kind) {
        case ControlKind::Static:
            return MakeStatic(ctl, bColor, pPage);
        case ControlKind::Edit:
            return MakeEdit(ctl, pPage);
        case ControlKind::Button:
            return new QPushButton(ToWidgetText(ctl.pszText), pPage);
        case ControlKind::Progress:
            return MakeProgress(ctl, pPage);
        case ControlKind::GroupBox:
            return new QGroupBox(ToWidgetText(ctl.pszText), pPage);
    }
    return nullptr;
}

}  // namespace

std::map<int, QWidget*> BuildControls(const DIALOG_TEMPLATE& dlg, QWidget* pPage,
                                      const std::set<int>& colorStatics) {
    std::map<int, QWidget*> controls;
    QWidget* pPrevious = nullptr;
    for (const CONTROL_TEMPLATE& ctl : dlg.controls) {
        QWidget* pControl = MakeControl(ctl, colorStatics.contains(ctl.nId), pPage);
        pControl->setObjectName(QStringLiteral("control%1").arg(ctl.nId));
        pControl->setProperty("controlId", ctl.nId);
        pControl->setGeometry(DialogUnitsToPixels(ctl.x, ctl.y, ctl.cx, ctl.cy));
        // Only WS_TABSTOP controls are reached with Tab; a click still focuses
        // an edit box so that its text can be selected.
        pControl->setFocusPolicy(Has(ctl, WS_TABSTOP)            ? Qt::StrongFocus
                                 : ctl.kind == ControlKind::Edit ? Qt::ClickFocus
                                                                 : Qt::NoFocus);
        pControl->setEnabled(!Has(ctl, WS_DISABLED));
        pControl->setVisible(Has(ctl, WS_VISIBLE));
        if (pPrevious != nullptr && pControl->focusPolicy() & Qt::TabFocus) {
            QWidget::setTabOrder(pPrevious, pControl);
        }
        if (pControl->focusPolicy() & Qt::TabFocus) {
            pPrevious = pControl;
        }
        controls[ctl.nId] = pControl;
    }
    // A frame only groups what lies within it: it sits beneath every other
    // control and lets their clicks through, whatever its place in the template.
    for (const CONTROL_TEMPLATE& ctl : dlg.controls) {
        if (ctl.kind == ControlKind::GroupBox) {
            controls[ctl.nId]->setAttribute(Qt::WA_TransparentForMouseEvents);
            controls[ctl.nId]->lower();
        }
    }
    return controls;
}
