#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <string>

#include "wizard/procedures/page_controls.h"
#include "wizard/ui_invoker.h"

class QWidget;

// The page interface of the page views on Qt widgets. Every call from a
// worker is queued to the user-interface thread in call order; a call made on
// that thread is carried out at once. Only ShowMessageBox waits: the worker
// stays blocked until the user has closed the box.
class CQtPageControls : public QObject, public IPageControls {
    Q_OBJECT

public:
    explicit CQtPageControls(QWidget* pPage);
    ~CQtPageControls() override;

    // The page's controls by template id, once its window exists. UI thread.
    void SetControls(std::map<int, QWidget*> controls);
    // From now on nothing reaches the widgets and no caller waits any more.
    void Detach() { m_invoker.Detach(); }

    void SetText(int nId, const std::string& strText) override;
    void AppendText(int nId, const std::string& strText) override;
    void Show(int nId, bool bShow) override;
    void Enable(int nId, bool bEnable) override;
    void SetProgressRange(int nId, int nMax) override;
    void SetProgressPos(int nId, int nPos) override;
    void ShowMessageBox(const std::string& strText, const std::string& strCaption) override;
    void Beep() override;

    // The text last written to a control, "\r\n" kept. UI thread.
    std::string Text(int nId) const;

signals:
    // Every text change, on the UI thread: the control and its whole new text.
    void textWritten(int nId, const QString& strText);

private:
    void ApplyText(int nId, const std::string& strText);
    QWidget* Control(int nId) const;

    QWidget* m_pPage;
    std::map<int, QWidget*> m_controls;
    std::map<int, std::string> m_texts;
    CUiInvoker m_invoker{this};
};
