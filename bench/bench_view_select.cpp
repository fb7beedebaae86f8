// Times the selection helpers and the results file on a large result list, offscreen:
// Select Extra Copies (keep newest), Invert Selection and Select Rows in This Folder, in the
// matcher's order and after a sort that scatters every set; then a results file written from
// the list, parsed back and opened into the list.
//   bench_view_select [ROWS] [SET_SIZE]
// Defaults: 1,000,000 rows of sets of two files, each pair listed both ways (the reflect
// option), which makes the selection alternate row by row: the most ranges there can be.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ResultModel.h"
#include "ResultsFile.h"
#include "ResultsIO.h"
#include "SelectionHelpers.h"

namespace {

// Sets of nSetSize files, every file paired with the next in both directions, in 40 folders.
std::vector<CResultItem> MakeRows(int nRows, int nSetSize) {
    std::vector<CResultItem> rows;
    rows.reserve(static_cast<std::size_t>(nRows));
    const int nRowsPerSet = 2 * (nSetSize - 1);
    auto path = [](int nSet, int nFile) {
        char sz[160];
        std::snprintf(sz, sizeof sz,
                      "/home/someone/Pictures/Camera Uploads/%04d/album_%02d/IMG_%07d_%d.jpg",
                      2000 + nSet % 25, (nSet * 7 + nFile) % 40, nSet, nFile);
        return std::string(sz);
    };
    for (int nSet = 0; static_cast<int>(rows.size()) < nRows; ++nSet) {
        for (int k = 0; k < nRowsPerSet && static_cast<int>(rows.size()) < nRows; ++k) {
            const int a = k / 2, b = a + 1;
            CResultItem item;
            item.m_strSourcePath = path(nSet, k % 2 ? b : a);
            item.m_strTargetPath = path(nSet, k % 2 ? a : b);
            item.m_nSize = 1000 + static_cast<std::uint64_t>(nSet);
            // Times with ties, so the path decides now and then.
            item.m_tSource = 1600000000 + ((nSet * 31 + (k % 2 ? b : a) * 7) % 5);
            item.m_tTarget = 1600000000 + ((nSet * 31 + (k % 2 ? a : b) * 7) % 5);
            rows.push_back(std::move(item));
        }
    }
    return rows;
}

double Ms(QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void TimeHelpers(CResultModel& model, const char* pszLabel) {
    QElapsedTimer timer;
    timer.start();
    const std::vector<char> extra = FindExtraCopies(
        static_cast<std::size_t>(model.GetRowCount()),
        [&model](std::size_t i) {
            const CResultItem& item = model.GetItem(static_cast<int>(i));
            return CSetRow{item.m_strSourcePath, item.m_strTargetPath, item.m_tSource,
                           item.m_tTarget};
        },
        KEEP_NEWEST);
    const double tFind = Ms(timer);
    timer.restart();
    const int nSelected = SelectFlaggedRows(model, extra);
    const double tSelect = Ms(timer);
    std::printf("%-10s keep newest: sets %8.1f ms + selection %8.1f ms, %d rows in %lld ranges\n",
                pszLabel, tFind, tSelect, nSelected,
                static_cast<long long>(model.GetSelectionModel()->selection().size()));

    timer.restart();
    const int nKeepOldest = SelectExtraCopies(model, KEEP_OLDEST);
    std::printf("%-10s keep oldest (all of it):      %8.1f ms, %d rows\n", pszLabel, Ms(timer),
                nKeepOldest);
    timer.restart();
    const int nInverted = InvertSelection(model);
    std::printf("%-10s invert selection:             %8.1f ms, %d rows\n", pszLabel, Ms(timer),
                nInverted);
    timer.restart();
    const int nFolder = SelectRowsInFolder(model, model.GetRowCount() / 2);
    std::printf("%-10s rows in this folder:          %8.1f ms, %d rows\n", pszLabel, Ms(timer),
                nFolder);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int nRows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int nSetSize = argc > 2 ? std::max(2, std::atoi(argv[2])) : 2;

    CResultModel model;
    model.AppendItems(MakeRows(nRows, nSetSize));
    std::printf("%d rows, sets of %d files, reflected\n", model.GetRowCount(), nSetSize);
    TimeHelpers(model, "matcher");
    model.SortRows(COL_SOURCE_FOLDER, true);
    TimeHelpers(model, "by folder");

    // The results file: written from the list, then parsed (no lstat: that is per file system).
    const std::string strFile = (std::filesystem::temp_directory_path() /
                                 ("bench_view_select_" + std::to_string(getpid()) + ".json"))
                                    .string();
    QElapsedTimer timer;
    timer.start();
    const QString strError =
        SaveResultsFile(model, QString::fromStdString(strFile), CResultsInfo());
    const double tSave = Ms(timer);
    std::string strText;
    timer.restart();
    ReadWholeFile(strFile, strText);
    const double tRead = Ms(timer);
    CResultsInfo info;
    std::vector<CResultRow> records;
    CResultsError error;
    timer.restart();
    const bool bParsed = ParseResults(strText, info, records, error);
    const double tParse = Ms(timer);
    std::printf(
        "results file: %.1f MB, save %.1f ms, read %.1f ms, parse %.1f ms (%s, %zu rows)%s\n",
        static_cast<double>(strText.size()) / 1e6, tSave, tRead, tParse,
        bParsed ? "sound" : "refused", records.size(),
        strError.isEmpty() ? "" : qPrintable(QStringLiteral(" save failed: ") + strError));
    // Opening it into the list looks at every source: here none exists, so all are left out.
    timer.restart();
    const CResultsOpened opened = OpenResultsFile(model, strFile);
    std::printf(
        "open into the list (read, parse, one lstat per source): %.1f ms, %d rows left out\n",
        Ms(timer), opened.nLeftOut);
    unlink(strFile.c_str());
    return 0;
}
