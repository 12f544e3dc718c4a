#include "wizard/qt_page_controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <algorithm>

#include "wizard/message_box_width.h"
#include "wizard/page_builder.h"

CQtPageControls::CQtPageControls(QWidget* pPage) : m_pPage(pPage) {}

CQtPageControls::~CQtPageControls() {
    m_invoker.Detach();
}

void CQtPageControls::SetControls(std::map<int, QWidget*> controls) {
    m_controls = std::move(controls);
}

QWidget* CQtPageControls::Control(int nId) const {
    auto it = m_controls.find(nId);
    return it == m_controls.end() ? nullptr : it->second;
}

std::string CQtPageControls::Text(int nId) const {
    auto it = m_texts.find(nId);
    return it == m_texts.end() ? std::string() : it->second;
}

void CQtPageControls::ApplyText(int nId, const std::string& strText) {
    m_texts[nId] = strText;
    const QString strWidgetText = ToWidgetText(strText);
    QWidget* pControl = Control(nId);
    if (auto* pLabel = qobject_cast<QLabel*>(pControl)) {
        pLabel->setText(strWidgetText);
    } else if (auto* pButton = qobject_cast<QAbstractButton*>(pControl)) {
        pButton->setText(strWidgetText);
    } else if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pControl)) {
        pEdit->setPlainText(strWidgetText);
        // The log scrolls on as lines arrive.
        pEdit->verticalScrollBar()->setValue(pEdit->verticalScrollBar()->maximum());
    }
    emit textWritten(nId, QString::fromStdString(strText));
}

void CQtPageControls::SetText(int nId, const std::string& strText) {
    m_invoker.Run([this, nId, strText] { ApplyText(nId, strText); });
}

void CQtPageControls::AppendText(int nId, const std::string& strText) {
    // The whole text is read and written back, so the append lands after
    // whatever the user-interface thread put there before it.
    m_invoker.Run([this, nId, strText] { ApplyText(nId, Text(nId) + strText); });
}

void CQtPageControls::Show(int nId, bool bShow) {
    m_invoker.Run([this, nId, bShow] {
        if (QWidget* pControl = Control(nId)) {
            pControl->setVisible(bShow);
        }
    });
}

void CQtPageControls::Enable(int nId, bool bEnable) {
    m_invoker.Run([this, nId, bEnable] {
        if (QWidget* pControl = Control(nId)) {
            pControl->setEnabled(bEnable);
        }
    });
}

void CQtPageControls::SetProgressRange(int nId, int nMax) {
    m_invoker.Run([this, nId, nMax] {
        if (auto* pBar = qobject_cast<QProgressBar*>(Control(nId))) {
            pBar->setRange(0, std::max(nMax, 0));
        }
    });
}

void CQtPageControls::SetProgressPos(int nId, int nPos) {
    m_invoker.Run([this, nId, nPos] {
        // A position outside the range is clamped to it (the last position of
        // a run is one above the top); QProgressBar would ignore it instead.
        if (auto* pBar = qobject_cast<QProgressBar*>(Control(nId))) {
            pBar->setValue(std::clamp(nPos, pBar->minimum(), pBar->maximum()));
        }
    });
}

void CQtPageControls::ShowMessageBox(const std::string& strText, const std::string& strCaption) {
    m_invoker.RunAndWait([this, strText, strCaption] {
        QMessageBox box(QMessageBox::NoIcon, ToWidgetText(strCaption), ToWidgetText(strText),
                        QMessageBox::Ok, m_pPage);
        box.setTextFormat(Qt::PlainText);
        box.setObjectName(QStringLiteral("resultBox"));
        // The text as the procedure wrote it, line breaks as "\r\n".
        box.setProperty("vantoText", QString::fromStdString(strText));
        WidenToCaption(box);
        box.exec();
    });
}

void CQtPageControls::Beep() {
    m_invoker.Run([] { QApplication::beep(); });
}
