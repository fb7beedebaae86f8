// The list view: header clicks and the sort toggle, and rows from a worker's sink held back
// from redraws until the search ends.
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

#include "DesktopServices.h"
#include "QtTestSupport.h"
#include "ResultModel.h"
#include "ResultSink.h"
#include "TwinexView.h"

TEST(TwinexView, HeaderClicksFollowTheToggleRulesAndNewRowsDropTheArrow) {
    CDesktopServices desktop;
    CTwinexView view(desktop.Services());
    view.resize(900, 300);
    view.show();
    CResultModel* pModel = view.GetModel();
    // Sizes whose texts sort the other way round: "1.00 MB" < "10.00 KB" < "9.00 KB" as text.
    pModel->AppendRows({CResultRow{"/a/nine", "", 9 * 1024}, CResultRow{"/a/mega", "", 1048576},
                        CResultRow{"/a/ten", "", 10 * 1024}});
    const auto sources = [pModel] {
        std::string str;
        for (int i = 0; i < pModel->GetRowCount(); ++i) str += pModel->GetSourcePath(i) + " ";
        return str;
    };

    QHeaderView* pHeader = view.horizontalHeader();
    const int x = pHeader->sectionViewportPosition(COL_SIZE) + 10;
    // The state starts as (Size, ascending): a click on Size turns it.
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(x, pHeader->height() / 2));
    EXPECT_EQ(sources(), "/a/mega /a/ten /a/nine ");
    EXPECT_TRUE(pHeader->isSortIndicatorShown());
    EXPECT_EQ(pHeader->sortIndicatorOrder(), Qt::DescendingOrder);
    pModel->OnColumnClick(COL_SOURCE);
    pModel->OnColumnClick(COL_SOURCE);
    EXPECT_EQ(sources(), "/a/ten /a/nine /a/mega ");
    pModel->OnColumnClick(COL_TARGET);
    pModel->OnColumnClick(COL_SOURCE);  // back on a column: ascending again
    EXPECT_EQ(sources(), "/a/mega /a/nine /a/ten ");
    // New rows come in the matcher's order: the arrow would lie.
    pModel->AppendRows(std::vector<CResultRow>(1));
    EXPECT_FALSE(pHeader->isSortIndicatorShown());
}

// Batches from a worker thread replace the old rows and arrive in order; the view redraws once
// they are all in.
TEST(TwinexView, WorkerRowsArriveInOrderAndRedrawOnceIn) {
    CDesktopServices desktop;
    CTwinexView view(desktop.Services());
    view.show();
    CResultModel& model = *view.GetModel();
    model.AppendRows({CResultRow{"/old/row", "/old/other"}});
    QSignalSpy ended(&model, &CResultModel::RowsEnded);
    CResultSink sink(&model);
    std::thread worker([&sink] {
        sink.Clear();
        for (int b = 0; b < 3; ++b) {
            std::vector<CResultRow> batch;
            for (int i = 0; i < 100; ++i) batch.push_back({"/w/" + std::to_string(b * 100 + i), "/w/other"});
            sink.Append(std::move(batch));
        }
    });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return model.GetRowCount() == 300; }));
    EXPECT_FALSE(view.updatesEnabled());
    sink.End();
    ASSERT_TRUE(WaitFor([&] { return ended.count() == 1; }));
    EXPECT_TRUE(view.updatesEnabled());
    for (int i = 0; i < 300; ++i) ASSERT_EQ(model.GetSourcePath(i), "/w/" + std::to_string(i));
}
