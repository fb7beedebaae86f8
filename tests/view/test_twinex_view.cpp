// The list view: column widths, header clicks, grid lines, icons, select all.
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "FileIcons.h"
#include "QtTestSupport.h"
#include "ResultActions.h"
#include "ResultModel.h"
#include "TwinexView.h"

TEST(ColumnWidths, FollowTheClientWidth) {
    EXPECT_EQ(ComputeColumnWidths(1000, 16),
              (std::array<int, COL_COUNT>{150, 187, 124, 150, 187, 124, 60}));
    // A wider Size column comes out of the folder and time columns.
    EXPECT_EQ(ComputeColumnWidths(1000, 16, 80),
              (std::array<int, COL_COUNT>{150, 181, 120, 150, 181, 120, 80}));
    // Too narrow for the formula: the columns stay usable instead of vanishing.
    const auto narrow = ComputeColumnWidths(300, 16);
    for (int w : narrow) EXPECT_GE(w, 40);

    CTwinexView view;
    view.SetupColumns(1000, 16);
    for (int i = 0; i < COL_COUNT; ++i)
        EXPECT_EQ(view.columnWidth(i), ComputeColumnWidths(1000, 16)[static_cast<std::size_t>(i)]);
}

TEST(TwinexView, HeaderClickSortsAndShowsTheDirection) {
    CTwinexView view;
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
    EXPECT_FALSE(pHeader->isSortIndicatorShown());
    const int x = pHeader->sectionViewportPosition(COL_SIZE) + 10;
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(x, pHeader->height() / 2));
    EXPECT_EQ(pModel->GetSourcePath(0), "/a/big");
    EXPECT_TRUE(pHeader->isSortIndicatorShown());
    EXPECT_EQ(pHeader->sortIndicatorSection(), COL_SIZE);
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::DescendingOrder);

    // New rows come in the matcher's order: the arrow would lie.
    pModel->AppendRows(std::vector<CResultRow>(1));
    EXPECT_FALSE(pHeader->isSortIndicatorShown());
    EXPECT_EQ(pModel->GetSortColumn(), COL_SIZE);
}

TEST(TwinexView, RedrawsOnlyOnceASearchsRowsAreIn) {
    CTwinexView view;
    view.show();
    IResultSink& sink = view.GetModel()->GetSink();
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

TEST(TwinexView, GridLinesAndSelectAll) {
    CTwinexView view;
    EXPECT_FALSE(view.GetGridLines());
    view.SetGridLines(true);
    EXPECT_TRUE(view.showGrid());

    SetActiveResultView(&view);
    SelectAllItems();  // no rows: nothing
    EXPECT_TRUE(view.selectionModel()->selection().isEmpty());
    view.GetModel()->AppendRows(std::vector<CResultRow>(5));
    view.setCurrentIndex(view.GetModel()->index(2, 0));
    SelectAllItems();
    EXPECT_EQ(view.selectionModel()->selectedRows().size(), 5);
    EXPECT_EQ(view.currentIndex().row(), 2);
    SetActiveResultView(nullptr);
    EXPECT_EQ(GetResultView(), nullptr);
}

TEST(FileIcons, OneThemeLookupPerFileType) {
    const int nText = CFileIcons::GetIndex("/x/notes.txt");
    const int nCount = CFileIcons::GetCount();
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(CFileIcons::GetIndex("/y/" + std::to_string(i) + ".TXT"), nText);
    EXPECT_EQ(CFileIcons::GetCount(), nCount);
    // A name the type database does not know, and a folder-less name, still get an icon.
    EXPECT_FALSE(CFileIcons::GetIcon(CFileIcons::GetIndex("/z/\xff\xfe.qqq-unknown")).isNull());
    EXPECT_FALSE(CFileIcons::GetIcon(CTwinexView::GetFileIconIndex("plain")).isNull());
}
