// The list view: column widths, header clicks, redraws held back while rows arrive.
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "DesktopServices.h"
#include "ResultSink.h"
#include "QtTestSupport.h"
#include "ResultModel.h"
#include "TwinexView.h"

TEST(ColumnWidths, FollowTheClientWidth) {
    EXPECT_EQ(ComputeColumnWidths(1000, 16),
              (std::array<int, COL_COUNT>{150, 187, 124, 150, 187, 124, 60}));
    // Too narrow for the formula: the columns stay usable instead of vanishing.
    for (int w : ComputeColumnWidths(300, 16)) EXPECT_GE(w, 40);
}

TEST(TwinexView, HeaderClickSortsAndNewRowsDropTheArrow) {
    CDesktopServices desktop;
    CTwinexView view(desktop.Services());
    view.resize(900, 300);
    view.show();
    CResultModel* pModel = view.GetModel();
    std::vector<CResultRow> rows(2);
    rows[0].m_strSourcePath = "/a/small";
    rows[0].m_nSize = 10;
    rows[1].m_strSourcePath = "/a/big";
    rows[1].m_nSize = 5000;
    pModel->AppendRows(std::move(rows));

    QHeaderView* pHeader = view.horizontalHeader();
    const int x = pHeader->sectionViewportPosition(COL_SIZE) + 10;
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(x, pHeader->height() / 2));
    EXPECT_EQ(pModel->GetSourcePath(0), "/a/big");
    EXPECT_TRUE(pHeader->isSortIndicatorShown());
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::DescendingOrder);
    // New rows come in the matcher's order: the arrow would lie.
    pModel->AppendRows(std::vector<CResultRow>(1));
    EXPECT_FALSE(pHeader->isSortIndicatorShown());
}

TEST(TwinexView, RedrawsOnlyOnceASearchsRowsAreIn) {
    CDesktopServices desktop;
    CTwinexView view(desktop.Services());
    view.show();
    CResultSink sink(view.GetModel());
    sink.Clear();
    sink.Append(std::vector<CResultRow>(3));
    QSignalSpy ended(view.GetModel(), &CResultModel::RowsEnded);
    QCoreApplication::processEvents();
    EXPECT_FALSE(view.updatesEnabled());
    EXPECT_EQ(view.GetModel()->GetRowCount(), 3);
    sink.End();
    ASSERT_TRUE(WaitFor([&] { return ended.count() == 1; }));
    EXPECT_TRUE(view.updatesEnabled());
}
