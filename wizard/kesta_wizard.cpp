#include "wizard/kesta_wizard.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/updater_app.h"
#include "res/page_texts.h"
#include "wizard/message_box_width.h"

CKestaWizard::CKestaWizard(CUpdaterApp& app, const QString& strCaption, QWidget* pParent,
                           unsigned nSelectPage)
    : QDialog(pParent),
      m_app(app),
      m_nSelectPage(nSelectPage),
      m_pageWelcome(app),
      m_pageSetup(app),
      m_pageProgTarget(app),
      m_exit(app, m_pageSetup.Procedure(), m_pageProgTarget.Procedure()) {
    setWindowTitle(strCaption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // The message boxes carry the program's icon too.
    QApplication::setWindowIcon(m_pageWelcome.Icon());
    m_pStack = new QStackedWidget(this);
    QSize pageArea;
    for (int nIndex = 0; nIndex < 3; ++nIndex) {
        m_pStack->addWidget(&Page(nIndex));
        pageArea = pageArea.expandedTo(Page(nIndex).TemplateSize());
    }
    m_pStack->setFixedSize(pageArea);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pStack);
    auto* pLine = new QFrame(this);
    pLine->setFrameShape(QFrame::HLine);
    pLine->setFrameShadow(QFrame::Sunken);
    pLayout->addWidget(pLine);
    BuildButtonRow();
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

CKestaWizard::~CKestaWizard() {
    // A worker blocked in CancelToClose must not wait for a sheet that is gone.
    m_invoker.Detach();
    // The pages are members; take them out of the stack before it is deleted
    // with the dialog, so that each is destroyed exactly once, as a member.
    for (int nIndex = 0; nIndex < 3; ++nIndex) {
        m_pStack->removeWidget(&Page(nIndex));
        Page(nIndex).setParent(nullptr);
    }
}

void CKestaWizard::BuildButtonRow() {
    m_pBack = new QPushButton(tr("< &Back"), this);
    m_pNext = new QPushButton(tr("&Next >"), this);
    m_pFinish = new QPushButton(tr("Finish"), this);
    m_pCancel = new QPushButton(tr("Cancel"), this);
    for (QPushButton* pButton : {m_pBack, m_pNext, m_pFinish, m_pCancel}) {
        pButton->setAutoDefault(false);
    }
    m_pFinish->hide();
    m_pBack->setEnabled(false);
    m_pNext->setEnabled(false);
    connect(m_pBack, &QPushButton::clicked, this, [this] { SetActivePage(ActivePageIndex() - 1); });
    connect(m_pNext, &QPushButton::clicked, this, [this] { SetActivePage(ActivePageIndex() + 1); });
    connect(m_pFinish, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CKestaWizard::reject);
    auto* pRow = new QHBoxLayout;
    pRow->addStretch(1);
    pRow->addWidget(m_pBack);
    pRow->addWidget(m_pNext);
    pRow->addWidget(m_pFinish);
    pRow->addSpacing(12);
    pRow->addWidget(m_pCancel);
    static_cast<QVBoxLayout*>(layout())->addLayout(pRow);
}

CWizardPage& CKestaWizard::Page(int nIndex) {
    switch (nIndex) {
        case 0:
            return m_pageWelcome;
        case 1:
            return m_pageSetup;
        default:
            return m_pageProgTarget;
    }
}

int CKestaWizard::ActivePageIndex() const {
    return m_pStack->currentIndex();
}

void CKestaWizard::SetActivePage(int nIndex) {
    if (nIndex < 0 || nIndex > 2) {
        return;
    }
    m_pStack->setCurrentIndex(nIndex);
    // In wizard mode the title bar shows the page's caption.
    setWindowTitle(Page(nIndex).Caption());
    Page(nIndex).Activate();
    // A page without a tab stop leaves the focus to the default wizard
    // button, once the page's request has made it available.
    m_bFocusDefaultButton = Page(nIndex).FirstTabStop() == nullptr;
}

void CKestaWizard::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    // The first page becomes active when the sheet's window first appears.
    if (!m_bStarted) {
        m_bStarted = true;
        SetActivePage(static_cast<int>(m_nSelectPage));
        // The window manager places the frame after the window is mapped.
        QTimer::singleShot(100, this, &CKestaWizard::KeepOnScreen);
    }
}

QPoint CKestaWizard::PlaceOnScreen(const QRect& frame, const QRect& area) {
    const auto placed = [](int nPos, int nSize, int nFirst, int nLength) {
        const int nLast = nFirst + nLength - nSize;
        return nSize > nLength ? nLast : std::clamp(nPos, nFirst, nLast);
    };
    return QPoint(placed(frame.x(), frame.width(), area.x(), area.width()),
                  placed(frame.y(), frame.height(), area.y(), area.height()));
}

void CKestaWizard::KeepOnScreen() {
    if (screen() == nullptr) {
        return;
    }
    const QRect frame = frameGeometry();
    const QPoint topLeft = PlaceOnScreen(frame, screen()->availableGeometry());
    if (topLeft != frame.topLeft()) {
        move(pos() + (topLeft - frame.topLeft()));
    }
}

void CKestaWizard::PostWizardButtons(unsigned nFlags) {
    // Always queued, also from a page handler on this thread: the request
    // takes effect after the handler has returned, in the order posted.
    m_invoker.Post([this, nFlags] { ApplyWizardButtons(nFlags); });
}

void CKestaWizard::PostPageButtons(int nPage, unsigned nFlags) {
    // Which page is active is looked at when the request's turn comes, on
    // this thread: a page change queued before it is seen.
    m_invoker.Post([this, nPage, nFlags] {
        if (ActivePageIndex() == nPage) {
            ApplyWizardButtons(nFlags);
        }
    });
}

void CKestaWizard::ApplyWizardButtons(unsigned nFlags) {
    // Finish takes Next's place when either Finish flag is given; the
    // disabled form shows it greyed. A flag that is absent disables its button.
    const bool bFinishShown = (nFlags & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
    QPushButton* pShown = bFinishShown ? m_pFinish : m_pNext;
    QPushButton* pHidden = bFinishShown ? m_pNext : m_pFinish;
    // The button taking the place first: a button hidden or disabled under
    // the focus hands it to the next tab stop, which is then the new one.
    pShown->setEnabled((nFlags & (bFinishShown ? PSWIZB_FINISH : PSWIZB_NEXT)) != 0);
    pShown->setVisible(true);
    pHidden->setVisible(false);
    pHidden->setEnabled((nFlags & (bFinishShown ? PSWIZB_NEXT : PSWIZB_FINISH)) != 0);
    m_pBack->setEnabled((nFlags & PSWIZB_BACK) != 0);
    pShown->setDefault(true);
    if (m_bFocusDefaultButton && pShown->isEnabled()) {
        m_bFocusDefaultButton = false;
        pShown->setFocus(Qt::TabFocusReason);
    }
    m_appliedRequests.push_back(nFlags);
}

void CKestaWizard::CancelToClose() {
    // The programming worker waits until Cancel is gone. A question asked
    // during the run is answered No: the wizard stays, with Finish alone.
    m_invoker.RunAndWait([this] {
        m_pCancel->setEnabled(false);
        if (m_pExitQuestion != nullptr) {
            m_pExitQuestion->button(QMessageBox::No)->click();
        }
    });
}

bool CKestaWizard::ConfirmCancel() {
    if (!m_app.m_bUpdateDone) {
        QMessageBox box(QMessageBox::Question, QString::fromUtf8(kExitCaption),
                        QString::fromUtf8(kExitQuestion), QMessageBox::Yes | QMessageBox::No, this);
        box.setObjectName(QStringLiteral("exitQuestion"));
        // During a run a stray Enter must not break off the transfer.
        box.setDefaultButton(m_app.m_nProgState != 0 ? QMessageBox::No : QMessageBox::Yes);
        WidenToCaption(box);
        m_pExitQuestion = &box;
        const int nAnswer = box.exec();
        m_pExitQuestion = nullptr;
        if (nAnswer != QMessageBox::Yes) {
            return false;
        }
    }
    // A run in progress is ended on the device too: it must not be left
    // holding blocks of a transfer nobody finishes. A Yes that crossed the
    // run's success abandons nothing: the device has committed.
    if (m_app.m_pEngine) {
        m_exit.Leave();
    }
    return true;
}

void CKestaWizard::reject() {
    if (ConfirmCancel()) {
        QDialog::reject();
    }
}

bool CKestaWizard::IsWorkerRunning() const {
    return m_pageSetup.IsWorkerRunning() || m_pageProgTarget.IsWorkerRunning();
}
