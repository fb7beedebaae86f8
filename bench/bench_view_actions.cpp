// Deletes part of a large result list as the user does (selected rows, Del, Yes) on real files
// in a temporary folder, and times the planning, the removal and the sweep of the rows.
//   bench_view_actions [ROWS] [DELETE] [--trash | --link] [--dir FOLDER]
// Defaults: 100000 rows (sets of three files, every ordered pair a row, as with the reflect
// option), 10000 files deleted for good. --trash moves them to a Trash made inside FOLDER;
// --link replaces them with hard links instead (Replace with Hard Links).
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "DeletePlan.h"
#include "Prompt.h"
#include "ResultModel.h"
#include "DesktopServices.h"
#include "LinkActions.h"
#include "ResultActions.h"
#include "TwinexView.h"

namespace {

class CYesPrompt : public IPrompt {
public:
    bool AskYesNo(const QString& strText, const QString&, EIcon) override {
        std::printf("question: %s\n", qPrintable(strText.simplified()));
        return true;
    }
    void Tell(const QString& strText, const QString&, EIcon) override {
        std::printf("message: %s\n", qPrintable(strText.left(200)));
    }
};

struct CTimes {
    qint64 nBegin = 0, nEnd = 0;
};

// Notes when the removal starts and ends; no dialog.
class CTimedProgress : public IDeleteProgress {
public:
    CTimedProgress(QElapsedTimer& timer, CTimes& times) : m_timer(timer), m_times(times) {}
    void Begin(int, bool) override { m_times.nBegin = m_timer.nsecsElapsed(); }
    bool Step(int) override { return true; }
    void End() override { m_times.nEnd = m_timer.nsecsElapsed(); }
    QElapsedTimer& m_timer;
    CTimes& m_times;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int nRows = 100000, nDelete = 10000;
    bool bTrash = false, bLink = false;
    std::string strBase = std::filesystem::temp_directory_path().string();
    int nNumber = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--trash") == 0) bTrash = true;
        else if (std::strcmp(argv[i], "--link") == 0) bLink = true;
        else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) strBase = argv[++i];
        else (nNumber++ == 0 ? nRows : nDelete) = std::atoi(argv[i]);
    }

    std::string strRoot = strBase + "/twinex-bench-actions-XXXXXX";
    if (!mkdtemp(strRoot.data())) {
        std::perror("mkdtemp");
        return 1;
    }

    // Sets of three files of equal contents, 64 files per folder.
    const int nSets = (nRows + 5) / 6;
    nDelete = std::min(nDelete, nSets);
    QElapsedTimer timer;
    timer.start();
    std::vector<std::string> files;
    for (int s = 0; s < nSets; ++s) {
        for (int k = 0; k < 3; ++k) {
            const int nFile = s * 3 + k;
            const std::string strDir = strRoot + "/d" + std::to_string(nFile / 64);
            if (nFile % 64 == 0) mkdir(strDir.c_str(), 0700);
            files.push_back(strDir + "/file_" + std::to_string(nFile) + ".dat");
            std::FILE* f = std::fopen(files.back().c_str(), "w");
            std::fprintf(f, "%d", s);
            std::fclose(f);
        }
    }
    const double dCreate = timer.nsecsElapsed() / 1e9;

    std::vector<CResultRow> rows;
    rows.reserve(static_cast<std::size_t>(nSets) * 6);
    for (int s = 0; s < nSets; ++s) {
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                if (a == b) continue;
                const std::string& strSource = files[static_cast<std::size_t>(s * 3 + a)];
                const std::string& strTarget = files[static_cast<std::size_t>(s * 3 + b)];
                struct stat st, stTarget;
                stat(strSource.c_str(), &st);
                stat(strTarget.c_str(), &stTarget);
                CResultRow row;
                row.m_strSourcePath = strSource;
                row.m_strTargetPath = strTarget;
                row.m_nSize = static_cast<std::uint64_t>(st.st_size);
                row.m_tSource = st.st_mtime;
                row.m_tTarget = stTarget.st_mtime;
                rows.push_back(std::move(row));
            }
        }
    }

    CDesktopServices desktop;
    CViewServices services = desktop.Services();
    CYesPrompt prompt;
    CXdgTrash trash(strRoot + "/data/Trash");
    CTimes times;
    services.pPrompt = &prompt;
    services.pTrash = &trash;
    services.fnMakeProgress = [&](QWidget*, const QString&) -> std::unique_ptr<IDeleteProgress> {
        return std::make_unique<CTimedProgress>(timer, times);
    };
    CTwinexView view(services);
    CResultModel& model = *view.GetModel();
    model.AppendRows(std::move(rows));
    // The first file of the first nDelete sets: its two rows are selected.
    for (int s = 0; s < nDelete; ++s) {
        model.SetSelected(s * 6, true);
        model.SetSelected(s * 6 + 1, true);
    }
    const int nRowsBefore = model.GetRowCount();

    timer.restart();
    if (bLink)
        LinkSelectedFiles(view, LINK_HARD);
    else
        DeleteSelectedFiles(view, bTrash);
    const qint64 nTotal = timer.nsecsElapsed();

    std::printf("files created            %zu in %.2f s\n", files.size(), dCreate);
    std::printf("rows                     %d, selected %d, files to change %d (%s)\n", nRowsBefore,
                2 * nDelete, nDelete,
                bLink ? "hard links" : bTrash ? "to the Trash" : "for good");
    std::printf("plan, question and check %.3f s\n", times.nBegin / 1e9);
    std::printf("%s %.3f s\n", bLink ? "linking                 " : "removal                 ",
                (times.nEnd - times.nBegin) / 1e9);
    std::printf("%s %.3f s (rows left %d)\n", bLink ? "marking rows            " : "sweep                   ",
                (nTotal - times.nEnd) / 1e9, model.GetRowCount());

    // The sweep alone over every row when nothing is gone: one lstat per distinct source.
    timer.restart();
    const int nGone = model.RemoveRowsIf([](const CResultItem& item) {
        struct stat st;
        return lstat(item.m_strSourcePath.c_str(), &st) != 0;
    });
    std::printf("lstat pass, nothing gone %.3f s over %d rows (%d removed)\n",
                timer.nsecsElapsed() / 1e9, model.GetRowCount(), nGone);

    std::error_code ec;
    std::filesystem::remove_all(strRoot, ec);
    return 0;
}
