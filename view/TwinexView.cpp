#include "TwinexView.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "ResultModel.h"

namespace {

constexpr int FIXED_NAME_WIDTH = 150;
constexpr int FIXED_SIZE_WIDTH = 60;
// Below this the folder and time columns would vanish; keep them readable and scroll instead.
constexpr int MIN_FOLDER_WIDTH = 60;
constexpr int MIN_TIME_WIDTH = 40;

// A list row is one item: no focus frame around a single cell.
class CRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(pOption, index);
        pOption->state &= ~QStyle::State_HasFocus;
    }
};

}  // namespace

std::array<int, COL_COUNT> ComputeColumnWidths(int nClientWidth, int nScrollBarWidth,
                                               int nSizeWidth) {
    nSizeWidth = std::max(nSizeWidth, FIXED_SIZE_WIDTH);
    const int nRest = nClientWidth - nScrollBarWidth - (2 * FIXED_NAME_WIDTH + nSizeWidth);
    const int nFolder = std::max(static_cast<int>(nRest * 0.3), MIN_FOLDER_WIDTH);
    const int nTime = std::max(static_cast<int>(nRest * 0.2), MIN_TIME_WIDTH);
    return {FIXED_NAME_WIDTH, nFolder, nTime, FIXED_NAME_WIDTH, nFolder, nTime, nSizeWidth};
}

CTwinexView::CTwinexView(const CViewServices& services, QWidget* pParent)
    : QTableView(pParent), m_services(services), m_pModel(new CResultModel(this)) {
    setModel(m_pModel);
    QItemSelectionModel* pOwnSelection = selectionModel();
    setSelectionModel(m_pModel->GetSelectionModel());
    delete pOwnSelection;

    setItemDelegate(new CRowDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    // Paths share long beginnings; the end of a folder or name tells rows apart.
    setTextElideMode(Qt::ElideMiddle);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setIconSize(QSize(16, 16));

    QHeaderView* pRows = verticalHeader();
    pRows->hide();
    pRows->setSectionResizeMode(QHeaderView::Fixed);
    pRows->setMinimumSectionSize(1);
    pRows->setDefaultSectionSize(std::max(fontMetrics().height(), 16) + 4);

    QHeaderView* pHeader = horizontalHeader();
    pHeader->setSectionsClickable(true);
    pHeader->setSectionsMovable(false);
    pHeader->setHighlightSections(false);
    pHeader->setStretchLastSection(false);
    pHeader->setSortIndicatorShown(false);
    pHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(pHeader, &QHeaderView::sectionClicked, this, &CTwinexView::OnColumnClick);
    // Rows in the matcher's order are sorted by nothing: hide the arrow until the next click.
    connect(m_pModel, &CResultModel::SortOrderLost, this,
            [pHeader] { pHeader->setSortIndicatorShown(false); });
    // While a search writes its rows the list is not redrawn batch by batch, only at the end.
    connect(m_pModel, &CResultModel::FillStarted, this, [this] { setUpdatesEnabled(false); });
    connect(m_pModel, &CResultModel::RowsEnded, this, [this] { setUpdatesEnabled(true); });
}

CTwinexView::~CTwinexView() = default;

void CTwinexView::OnInitialUpdate() {
    const int nScrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                verticalScrollBar());
    // A size without its unit is ambiguous: make room for the widest size text in this font.
    const int nMargin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 2);
    SetupColumns(viewport()->width(), nScrollBar,
                 fontMetrics().horizontalAdvance(QStringLiteral("1024.00 MB")) + nMargin);
}

void CTwinexView::SetupColumns(int nClientWidth, int nScrollBarWidth, int nSizeWidth) {
    const auto widths = ComputeColumnWidths(nClientWidth, nScrollBarWidth, nSizeWidth);
    for (int i = 0; i < COL_COUNT; ++i) setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
}

void CTwinexView::OnColumnClick(int nColumn) {
    m_pModel->OnColumnClick(nColumn);
    QHeaderView* pHeader = horizontalHeader();
    pHeader->setSortIndicator(m_pModel->GetSortColumn(), m_pModel->IsSortAscending()
                                                             ? Qt::AscendingOrder
                                                             : Qt::DescendingOrder);
    pHeader->setSortIndicatorShown(true);
}
