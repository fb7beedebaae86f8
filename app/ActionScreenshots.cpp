#include "ActionScreenshots.h"

#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>

#include <functional>

#include "LinkActions.h"
#include "MainFrame.h"
#include "Prompt.h"
#include "ResultActions.h"
#include "ResultModel.h"
#include "RowActions.h"
#include "TwinexView.h"

namespace {

// Paints the main window and, over it, another top-level window where it stands on screen.
// Dialogs get a plain title bar, as there may be no window manager to draw one.
class CWindowOverFrame : public QWidget {
public:
    CWindowOverFrame(CMainFrame& frame, QWidget* pOver, bool bTitleBar)
        : QWidget(&frame, Qt::Window), m_frame(frame), m_pOver(pOver), m_bTitleBar(bTitleBar) {
        resize(frame.size());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_frame.grab());
        if (!m_pOver) return;
        const QPoint ptAt = m_pOver->mapToGlobal(QPoint()) - m_frame.mapToGlobal(QPoint());
        if (m_bTitleBar) {
            const int nBar = fontMetrics().height() + 10;
            const QRect bar(ptAt.x() - 1, ptAt.y() - nBar, m_pOver->width() + 2, nBar);
            painter.fillRect(bar.adjusted(0, 0, 0, m_pOver->height() + 1), palette().shadow());
            painter.fillRect(bar.adjusted(1, 1, -1, 0), palette().highlight());
            painter.setPen(palette().highlightedText().color());
            painter.drawText(bar.adjusted(8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             m_pOver->windowTitle());
        }
        painter.drawPixmap(ptAt, m_pOver->grab());
    }

private:
    CMainFrame& m_frame;
    QPointer<QWidget> m_pOver;
    bool m_bTitleBar;
};

// Shows the question as the real prompt would, without waiting for an answer; answers No.
class CShowOnlyPrompt : public IPrompt {
public:
    explicit CShowOnlyPrompt(QWidget* pParent) : m_pParent(pParent) {}
    bool AskYesNo(const QString& strText, const QString& strCaption, EIcon) override {
        m_pBox = new QMessageBox(QMessageBox::Warning, strCaption, strText,
                                 QMessageBox::Yes | QMessageBox::No, m_pParent);
        m_pBox->setDefaultButton(QMessageBox::Yes);
        m_pBox->setAttribute(Qt::WA_DeleteOnClose);
        m_pBox->show();
        return false;
    }
    void Tell(const QString&, const QString&, EIcon) override {}
    QPointer<QMessageBox> m_pBox;

private:
    QWidget* m_pParent;
};

void SelectSomeRows(CTwinexView& view) {
    CResultModel& model = *view.GetModel();
    for (int nRow : {1, 2, 4})
        if (nRow < model.GetRowCount()) model.SetSelected(nRow, true);
    view.setFocus();
}

QWidget* ShowQuestion(CMainFrame& frame, const std::function<void(CTwinexView&)>& fnAsk) {
    SelectSomeRows(*frame.GetActiveView());
    CShowOnlyPrompt prompt(&frame);
    frame.SetPrompt(&prompt);
    fnAsk(*frame.GetActiveView());
    frame.SetPrompt(nullptr);
    return new CWindowOverFrame(frame, prompt.m_pBox, true);
}

}  // namespace

QWidget* ShowDeleteQuestion(CMainFrame& frame) {
    return ShowQuestion(frame, [](CTwinexView& view) { DeleteSelectedFiles(view, true); });
}

QWidget* ShowLinkQuestion(CMainFrame& frame) {
    return ShowQuestion(frame, [](CTwinexView& view) { LinkSelectedFiles(view, LINK_HARD); });
}

QWidget* ShowContextMenu(CMainFrame& frame) {
    CTwinexView& view = *frame.GetActiveView();
    SelectSomeRows(view);
    auto* pActions = view.findChild<CViewActions*>();
    const QRect row = view.visualRect(view.GetModel()->index(2, COL_SOURCE_FOLDER));
    QMenu* pMenu =
        pActions ? pActions->OnContextMenu(view.viewport()->mapToGlobal(row.center())) : nullptr;
    return new CWindowOverFrame(frame, pMenu, false);
}
