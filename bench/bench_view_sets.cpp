// Times the duplicate-sets view on a large result list, offscreen: building the sets, switching
// between the list and the tree, Select All while the tree shows, and the memory the sets add.
//   bench_view_sets [ROWS] [RUNS] [--expand]
// Defaults: 1,000,000 rows written as the matcher writes them with the reflect option (a set of
// n files gives n rows), sets of 2 to 12 files, most of them small; 5 runs, medians printed.
// --expand also opens every set, which the view itself does only for small results.
#include <malloc.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStackedWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "DesktopServices.h"
#include "ResultModel.h"
#include "SetsModel.h"
#include "SetsPanel.h"
#include "SetsView.h"
#include "SpacePane.h"
#include "TwinexView.h"

namespace {

long RssKb() {
    malloc_trim(0);  // freed scratch memory goes back, so what is left is what is held
    std::ifstream in("/proc/self/status");
    std::string strLine;
    while (std::getline(in, strLine))
        if (strLine.rfind("VmRSS:", 0) == 0) return std::atol(strLine.c_str() + 6);
    return 0;
}

// This thread's processor time: on a busy machine, wall time also counts other programs.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Set sizes 2, 2, 2, 3, 3, 4, 5, 12 in turn: many pairs, a few large sets.
std::vector<CResultRow> MakeRows(int nRows) {
    constexpr int SIZES[] = {2, 2, 2, 3, 3, 4, 5, 12};
    std::vector<CResultRow> rows;
    rows.reserve(static_cast<std::size_t>(nRows));
    auto path = [](int nSet, int nFile) {
        char sz[160];
        std::snprintf(sz, sizeof sz, "/home/someone/%s/%04d/album_%02d/IMG_%07d_%d.jpg",
                      nFile % 2 ? "Backup/phone" : "Pictures/Camera Uploads", 2000 + nSet % 25,
                      (nSet * 7 + nFile) % 40, nSet, nFile);
        return std::string(sz);
    };
    for (int nSet = 0; static_cast<int>(rows.size()) < nRows; ++nSet) {
        const int nFiles = SIZES[nSet % std::size(SIZES)];
        const std::uint64_t nSize =
            nSet % 97 == 0 ? 0 : 1000 + static_cast<std::uint64_t>(nSet) * 37;
        auto add = [&](int a, int b) {
            if (static_cast<int>(rows.size()) >= nRows) return;
            rows.push_back({path(nSet, a), path(nSet, b), nSize, 1500000000 + a * 1000,
                            1500000000 + b * 1000});
        };
        for (int i = 0; i + 1 < nFiles; ++i) add(i, i + 1);
        add(nFiles - 1, nFiles - 2);
    }
    return rows;
}

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int nRows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int nRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const bool bExpand = argc > 3 && std::strcmp(argv[3], "--expand") == 0;

    CDesktopServices desktop;
    QStackedWidget stack;
    auto* pList = new CTwinexView(desktop.Services(), &stack);
    stack.addWidget(pList);
    stack.resize(1200, 800);
    stack.show();
    pList->OnInitialUpdate();
    CResultModel* pModel = pList->GetModel();
    pModel->AppendRows(MakeRows(nRows));
    Settle();

    // 1. The build alone, on fresh models over the same rows.
    std::vector<double> builds, buildsCpu;
    for (int i = 0; i < nRuns; ++i) {
        CSetsModel sets(pModel);
        QElapsedTimer timer;
        const double dCpu = CpuSeconds();
        timer.start();
        sets.EnsureBuilt();
        builds.push_back(timer.nsecsElapsed() / 1e9);
        buildsCpu.push_back(CpuSeconds() - dCpu);
        if (i == 0)
            std::printf("sets                     %u sets of %u files over %d rows\n",
                        sets.GetTable().GetSetCount(), sets.GetTable().GetFileCount(), nRows);
    }

    // 2. The tree and the space line as the main window has them; the first switch builds.
    const long nRssBefore = RssKb();
    auto* pPanel = new CSetsPanel(pList, &stack);
    stack.addWidget(pPanel);
    CSpacePane pane(pPanel->GetView()->GetModel(), pModel);
    QElapsedTimer timer;
    timer.start();
    stack.setCurrentWidget(pPanel);
    Settle();
    const double dFirstSwitch = timer.nsecsElapsed() / 1e9;
    const long nRssTree = RssKb();
    std::vector<double> toList, toTree;
    for (int i = 0; i < nRuns; ++i) {
        timer.restart();
        stack.setCurrentWidget(pList);
        Settle();
        toList.push_back(timer.nsecsElapsed() / 1e9);
        timer.restart();
        stack.setCurrentWidget(pPanel);
        Settle();
        toTree.push_back(timer.nsecsElapsed() / 1e9);
    }

    // 3. Select All and back while the tree shows: every file's box and the space line follow.
    std::vector<double> selects;
    for (int i = 0; i < nRuns; ++i) {
        timer.restart();
        pModel->SelectAll();
        Settle();
        pane.Refresh();
        selects.push_back(timer.nsecsElapsed() / 1e9);
        pModel->GetSelectionModel()->clearSelection();
        Settle();
    }
    pModel->SelectAll();
    pane.Refresh();
    const std::string strSelected = pane.text().toStdString();
    pModel->GetSelectionModel()->clearSelection();
    pane.Refresh();

    std::printf("build the sets           %.3f s (median of %d; %.3f s processor time)\n",
                Median(builds), nRuns, Median(buildsCpu));
    std::printf("first switch to the tree %.3f s (builds the sets)\n", dFirstSwitch);
    std::printf("switch to the list       %.3f s (median)\n", Median(toList));
    std::printf("switch to the tree       %.3f s (median, sets built)\n", Median(toTree));
    std::printf("Select All, tree shown   %.3f s (median, boxes and space line)\n",
                Median(selects));
    std::printf("memory of sets and tree  %.0f bytes/row (RSS %+ld KiB)\n",
                (nRssTree - nRssBefore) * 1024.0 / nRows, nRssTree - nRssBefore);
    std::printf("space line               %s / %s\n", pane.text().toStdString().c_str(),
                strSelected.c_str());

    if (bExpand) {
        timer.restart();
        pPanel->GetView()->expandAll();
        Settle();
        std::printf("open every set           %.3f s, %+ld KiB more\n", timer.nsecsElapsed() / 1e9,
                    RssKb() - nRssTree);
    }
    return 0;
}
