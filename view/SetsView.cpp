#include "SetsView.h"

#include <QHeaderView>
#include <QScrollBar>

#include "OpenFile.h"
#include "SetsModel.h"
#include "TwinexView.h"

namespace {

constexpr int NAME_PIXELS = 320;
constexpr int FOLDER_PIXELS = 300;
constexpr int TIME_PIXELS = 140;
constexpr int SIZE_PIXELS = 90;

}  // namespace

CSetsView::CSetsView(CTwinexView* pList, QWidget* pParent)
    : QTreeView(pParent), m_pList(pList), m_pModel(new CSetsModel(pList->GetModel(), this)) {
    setModel(m_pModel);
    // The check boxes are the selection; a second, highlighted one would only confuse it.
    setSelectionMode(QAbstractItemView::NoSelection);
    setAllColumnsShowFocus(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideMiddle);
    setIconSize(QSize(16, 16));
    setColumnWidth(CSetsModel::COL_NAME, NAME_PIXELS);
    setColumnWidth(CSetsModel::COL_FOLDER, FOLDER_PIXELS);
    setColumnWidth(CSetsModel::COL_MODIFIED, TIME_PIXELS);
    setColumnWidth(CSetsModel::COL_SIZE, SIZE_PIXELS);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);

    connect(this, &QAbstractItemView::activated, this, &CSetsView::OnItemActivate);
    connect(m_pModel, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { m_nScroll = verticalScrollBar()->value(); });
    connect(m_pModel, &CSetsModel::Rebuilt, this, &CSetsView::OnRebuilt);
}

void CSetsView::OnRebuilt() {
    if (m_pModel->GetTable().GetFileCount() <= static_cast<std::uint32_t>(EXPAND_LIMIT))
        expandAll();
    verticalScrollBar()->setValue(m_nScroll);
}

int CSetsView::GetCurrentFileRow() const {
    const std::uint32_t nFile = m_pModel->FileAt(currentIndex());
    if (nFile == CSetTable::NONE) return -1;
    const auto rows = m_pModel->GetTable().GetFileRows(nFile);
    return rows.empty() ? -1 : static_cast<int>(rows.front());
}

void CSetsView::OnItemActivate(const QModelIndex& index) {
    const std::uint32_t nFile = m_pModel->FileAt(index);
    if (nFile == CSetTable::NONE) return;
    const CViewServices& services = m_pList->Services();
    OpenFileWithDefaultApplication(std::string(m_pModel->GetFilePath(nFile)), *services.pLauncher,
                                   *services.pPrompt);
}

void CSetsView::showEvent(QShowEvent* pEvent) {
    QTreeView::showEvent(pEvent);
    m_pModel->SetActive(true);
}

void CSetsView::hideEvent(QHideEvent* pEvent) {
    QTreeView::hideEvent(pEvent);
    m_pModel->SetActive(false);
}
