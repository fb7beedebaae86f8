#include "SetsPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ResTables.h"
#include "SetsModel.h"
#include "SetsView.h"

CSetsPanel::CSetsPanel(CTwinexView* pList, QWidget* pParent)
    : QWidget(pParent), m_pSort(new QComboBox(this)), m_pView(new CSetsView(pList, this)) {
    // In the order of CSetsModel::ESetSort.
    for (int nId : {IDS_SORT_SPACE, IDS_SORT_SIZE, IDS_SORT_COPIES, IDS_SORT_FOLDER})
        m_pSort->addItem(LoadResString(nId));
    m_pSort->setCurrentIndex(m_pView->GetModel()->GetSort());
    connect(m_pSort, &QComboBox::currentIndexChanged, this, [this](int nIndex) {
        m_pView->GetModel()->SortSets(static_cast<CSetsModel::ESetSort>(nIndex));
    });

    auto* pLabel = new QLabel(LoadResString(IDS_SORT_SETS_BY), this);
    pLabel->setBuddy(m_pSort);
    auto* pBar = new QHBoxLayout;
    pBar->setContentsMargins(6, 4, 6, 4);
    pBar->addWidget(pLabel);
    pBar->addWidget(m_pSort);
    pBar->addStretch(1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    pLayout->addLayout(pBar);
    pLayout->addWidget(m_pView, 1);
    // The tree, not the sort choice, has the keys when the panel is shown.
    setFocusProxy(m_pView);
}
