#include "SpacePane.h"

#include <QItemSelectionModel>
#include <QTimer>

#include "ResultModel.h"
#include "SetsModel.h"
#include "SpaceText.h"

CSpacePane::CSpacePane(CSetsModel* pSets, CResultModel* pRows, QWidget* pParent)
    : QLabel(pParent), m_pSets(pSets), m_pRows(pRows) {
    setAlignment(Qt::AlignCenter);
    auto rowsChanged = [this] {
        m_bSummaryStale = true;
        Schedule();
    };
    connect(pRows, &QAbstractItemModel::modelReset, this, rowsChanged);
    connect(pRows, &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(pRows, &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    connect(pRows, &CResultModel::LinksChanged, this, rowsChanged);
    // While a search writes its rows the line waits for the last of them.
    connect(pRows, &CResultModel::FillStarted, this, [this] {
        m_bFilling = true;
        clear();
    });
    connect(pRows, &CResultModel::RowsEnded, this, [this] {
        m_bFilling = false;
        Schedule();
    });
    connect(pRows->GetSelectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CSpacePane::Schedule);
}

void CSpacePane::Schedule() {
    // A click or a delete changes the selection in several steps: one count after the last.
    if (m_bQueued || m_bFilling) return;
    m_bQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_bQueued = false;
        Refresh();
    });
}

void CSpacePane::Refresh() {
    if (m_bFilling) return;
    if (m_pRows->GetRowCount() == 0) {
        clear();
        return;
    }
    const CSelectionSpace space = m_pSets->GetSelectionSpace();
    if (space.nFiles) {
        setText(SelectionText(space.nFiles, space.nBytes));
        return;
    }
    if (m_bSummaryStale) {
        m_summary = m_pSets->GetSummary();
        m_bSummaryStale = false;
    }
    setText(SetsSummaryText(m_summary));
}
