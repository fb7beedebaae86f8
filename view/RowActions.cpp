#include "RowActions.h"

#include <QHeaderView>
#include <QMenu>

#include "Commands.h"
#include "LinkActions.h"
#include "OpenFile.h"
#include "ResTables.h"
#include "ResultActions.h"
#include "ResultModel.h"
#include "SelectionHelpers.h"
#include "TwinexView.h"

CViewActions::CViewActions(CTwinexView* pView)
    : QObject(pView), m_pView(pView), m_pCommands(new CCommandSet(this)) {
    connect(m_pCommands, &CCommandSet::Command, this, &CViewActions::OnCommand);
    connect(pView, &QAbstractItemView::activated, this, &CViewActions::OnItemActivate);
    // A right click anywhere in the view, headers included, brings the same menu.
    pView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pt) { OnContextMenu(m_pView->viewport()->mapToGlobal(pt)); });
    QHeaderView* pHeader = pView->horizontalHeader();
    pHeader->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pHeader, &QWidget::customContextMenuRequested, this,
            [this, pHeader](const QPoint& pt) { OnContextMenu(pHeader->viewport()->mapToGlobal(pt)); });
}

QMenu* CViewActions::OnContextMenu(const QPoint& ptGlobal) {
    m_nContextRow = m_pView->indexAt(m_pView->viewport()->mapFromGlobal(ptGlobal)).row();
    m_pCommands->GetAction(ID_EDIT_SELECTFOLDER)->setEnabled(m_nContextRow >= 0);
    QMenu* pMenu = m_pCommands->BuildPopupMenu(IDR_POPUP, m_pView);
    if (!pMenu) return nullptr;
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    pMenu->popup(ptGlobal);
    return pMenu;
}

void CViewActions::OnItemActivate(const QModelIndex& index) {
    if (!index.isValid() || index.row() >= m_pView->GetModel()->GetRowCount()) return;
    const CViewServices& services = m_pView->Services();
    OpenFileWithDefaultApplication(m_pView->GetModel()->GetSourcePath(index.row()),
                                   *services.pLauncher, *services.pPrompt);
}

void CViewActions::OnPopupDelete() {
    const CDeleteOutcome outcome = DeleteSelectedFiles(*m_pView, !m_pView->Services().fnIsShiftDown());
    emit m_pView->FilesDeleted(outcome);
}

void CViewActions::OnPopupSelectAll() { SelectAllItems(*m_pView); }

void CViewActions::OnCommand(int nCommandId) {
    if (nCommandId == ID_POPUP_DELETE)
        OnPopupDelete();
    else if (nCommandId == ID_EDIT_LINKHARD || nCommandId == ID_EDIT_LINKCLONE)
        emit m_pView->FilesLinked(
            LinkSelectedFiles(*m_pView, nCommandId == ID_EDIT_LINKHARD ? LINK_HARD : LINK_CLONE));
    else if (nCommandId == ID_POPUP_SELECTALL)
        OnPopupSelectAll();
    else if (nCommandId == ID_EDIT_SELECTNEWEST)
        SelectExtraCopies(*m_pView->GetModel(), KEEP_NEWEST);
    else if (nCommandId == ID_EDIT_SELECTOLDEST)
        SelectExtraCopies(*m_pView->GetModel(), KEEP_OLDEST);
    else if (nCommandId == ID_EDIT_SELECTFOLDER)
        SelectRowsInFolder(*m_pView->GetModel(), m_nContextRow);
    else if (nCommandId == ID_EDIT_INVERTSELECTION)
        InvertSelection(*m_pView->GetModel());
}
