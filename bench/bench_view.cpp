// Fills the result list with a million rows through its sink, as the matching worker does,
// then sorts by several columns. Offscreen; prints times and memory.
//   bench_view [ROWS]
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include <sys/resource.h>

#include "ResultModel.h"
#include "ResultSink.h"
#include "DesktopServices.h"
#include "TwinexView.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ReadStatusKb(const char* pszKey) {
    std::ifstream in("/proc/self/status");
    std::string strLine;
    const std::string strKey = pszKey;
    while (std::getline(in, strLine))
        if (strLine.compare(0, strKey.size(), strKey) == 0) return std::atol(strLine.c_str() + strKey.size() + 1);
    return 0;
}

// Rows as the matcher writes them: realistic folders (a few thousand, sharing a long prefix),
// names of mixed case, sizes in ascending order: paths and numbers, no cell texts.
void Produce(IResultSink& sink, int nRows) {
    constexpr int ROWS_PER_BATCH = 4096;
    sink.Clear();
    std::vector<CResultRow> batch;
    batch.reserve(ROWS_PER_BATCH);
    std::uint64_t nSize = 1000;
    for (int i = 0; i < nRows; ++i) {
        CResultRow row;
        char szFolder[128], szName[64];
        std::snprintf(szFolder, sizeof szFolder, "/home/someone/Pictures/Camera Uploads/%04d/album_%03d/",
                      2000 + (i * 7) % 25, (i * 13) % 211);
        std::snprintf(szName, sizeof szName, "%s_%06d.%s", (i % 3) ? "IMG" : "img",
                      (i * 7919) % 1000003, (i % 5) ? "jpg" : "JPG");
        row.m_strSourcePath = std::string(szFolder) + szName;
        std::snprintf(szFolder, sizeof szFolder, "/home/someone/Backup/phone/%04d/DCIM_%03d/",
                      2000 + (i * 3) % 25, (i * 17) % 199);
        row.m_strTargetPath = std::string(szFolder) + szName;
        row.m_tSource = 1500000000 + (i * 104729LL) % 200000000;
        row.m_tTarget = 1500000000 + (i * 15485863LL) % 200000000;
        if (i % 2 == 0) nSize += 37;
        row.m_nSize = nSize;
        batch.push_back(std::move(row));
        if (batch.size() == ROWS_PER_BATCH) {
            sink.Append(std::move(batch));
            batch = {};
            batch.reserve(ROWS_PER_BATCH);
        }
    }
    if (!batch.empty()) sink.Append(std::move(batch));
    sink.End();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int nRows = argc > 1 ? std::atoi(argv[1]) : 1000000;

    CDesktopServices desktop;
    CTwinexView view(desktop.Services());
    view.resize(1200, 800);
    view.show();
    view.OnInitialUpdate();
    CResultModel* pModel = view.GetModel();
    QApplication::processEvents();

    // The producer alone, for reference: what the matcher spends making the rows.
    class CDropSink : public IResultSink {
    public:
        void Clear() override {}
        void Append(std::vector<CResultRow>&&) override {}
        void End() override {}
    } drop;
    QElapsedTimer timer;
    timer.start();
    Produce(drop, nRows);
    const double dProduce = timer.nsecsElapsed() / 1e9;

    // 1. As in a search: the producer thread makes rows while the user-interface thread takes
    //    them in. Memory is measured here.
    const long nRssBefore = ReadStatusKb("VmRSS:");
    bool bEnded = false;
    QObject::connect(pModel, &CResultModel::RowsEnded, [&] { bEnded = true; });
    QElapsedTimer insertTimer;
    qint64 nInsertNs = 0;
    QObject::connect(pModel, &QAbstractItemModel::rowsAboutToBeInserted, [&] { insertTimer.start(); });
    QObject::connect(pModel, &QAbstractItemModel::rowsInserted,
                     [&] { nInsertNs += insertTimer.nsecsElapsed(); });
    const double dCpuBefore = CpuSeconds();
    timer.restart();
    CResultSink sink(pModel);
    std::thread producer([&] { Produce(sink, nRows); });
    while (!bEnded) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double dFillWall = timer.nsecsElapsed() / 1e9;
    producer.join();
    const double dFillCpu = CpuSeconds() - dCpuBefore;
    QApplication::processEvents();
    const long nRssFilled = ReadStatusKb("VmRSS:");
    const long nPeakFill = ReadStatusKb("VmHWM:");

    // 2. The rows all made beforehand: what the user-interface thread needs to take them in,
    //    from the first queued batch to the end, batches freed included.
    class CCollectSink : public IResultSink {
    public:
        void Clear() override {}
        void Append(std::vector<CResultRow>&& batch) override { batches.push_back(std::move(batch)); }
        void End() override {}
        std::vector<std::vector<CResultRow>> batches;
    } ready;
    Produce(ready, nRows);
    bEnded = false;
    timer.restart();
    sink.Clear();
    for (auto& batch : ready.batches) sink.Append(std::move(batch));
    sink.End();
    while (!bEnded) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double dFillReady = timer.nsecsElapsed() / 1e9;
    ready.batches = {};

    std::printf("rows                     %d (model holds %d)\n", nRows, pModel->GetRowCount());
    std::printf("producer alone           %.3f s (making the rows, as the matcher does)\n", dProduce);
    std::printf("fill during a search     %.3f s wall, producer alongside (%.3f s CPU, both threads);"
                " %.3f s in the inserts\n",
                dFillWall, dFillCpu, nInsertNs / 1e9);
    std::printf("fill of ready rows       %.3f s (sink to last row shown, batches freed)\n", dFillReady);
    std::printf("memory after fill        %.0f bytes/row (RSS %+ld KiB)\n",
                (nRssFilled - nRssBefore) * 1024.0 / nRows, nRssFilled - nRssBefore);
    std::printf("peak during fill         %.0f bytes/row (HWM %ld KiB over the start)\n",
                (nPeakFill - nRssBefore) * 1024.0 / nRows, nPeakFill - nRssBefore);

    const struct {
        int nColumn;
        const char* pszWhat;
    } clicks[] = {
        {COL_SOURCE_FOLDER, "Folder (source), ascending"},
        {COL_SOURCE_FOLDER, "Folder (source), descending"},
        {COL_SIZE, "Size, ascending"},
        {COL_SOURCE, "Source name, ascending"},
        {COL_TARGET_MODIFIED, "Modified (target), ascending"},
    };
    for (const auto& click : clicks) {
        timer.restart();
        view.OnColumnClick(click.nColumn);
        QApplication::processEvents();
        std::printf("sort %-30s %.3f s\n", click.pszWhat, timer.nsecsElapsed() / 1e9);
    }
    // The same sort from the same order, without and with every row selected: the selection
    // model has to carry the selection through the sort.
    for (bool bSelected : {false, true}) {
        if (bSelected) pModel->SelectAll();
        pModel->SortRows(COL_TARGET_MODIFIED, true);
        QApplication::processEvents();
        timer.restart();
        pModel->SortRows(COL_SOURCE_FOLDER, true);
        QApplication::processEvents();
        std::printf("sort %-30s %.3f s\n",
                    bSelected ? "Folder, every row selected" : "Folder, no row selected",
                    timer.nsecsElapsed() / 1e9);
    }
    return 0;
}
