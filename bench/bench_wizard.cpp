// Runs searches through the wizard's progress page, offscreen, over a generated tree and
// measures what the user feels: how long each phase takes, how often the page shows
// progress, the longest stall of the user-interface thread, and how soon Cancel is answered
// while collecting and while comparing large files, and whether the bar moves meanwhile.
//   bench_wizard [FILES] [FOLDER]     (default 100000 files in a fresh temp folder)
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "Corpus.h"
#include "Page1Dlg.h"
#include "Page2Dlg.h"
#include "Page3Dlg.h"
#include "Prompt.h"
#include "ResultRow.h"
#include "SearchState.h"
#include "SearchWizard.h"
#include "WizardHost.h"
#include "WizardSheet.h"

namespace {

class CYesPrompt : public IPrompt {
public:
    bool AskYesNo(const QString&, const QString&, EIcon) override { return true; }
    void Tell(const QString&, const QString&, EIcon) override {}
};

class CCountingSink : public IResultSink {
public:
    void Clear() override { m_nRows = 0; }
    void Append(std::vector<CResultRow>&& batch) override { m_nRows += batch.size(); }
    void End() override {}
    std::atomic<std::size_t> m_nRows{0};
};

class CBenchHost : public IWizardHost {
public:
    QWidget* GetHostWindow() override { return &m_window; }
    void SetMessageText(int) override {}
    IResultSink& GetResultSink() override { return m_sink; }
    IPrompt& GetPrompt() override { return m_prompt; }
    void OnSearchEnded(const CSearchOutcome& outcome) override {
        if (!outcome.unreadable.empty())
            std::printf("%zu file(s) could not be read\n", outcome.unreadable.size());
    }
    QWidget m_window;
    CCountingSink m_sink;
    CYesPrompt m_prompt;
};

// What the user sees while one phase runs: distinct texts and bar positions, and the longest
// gap between two turns of the event loop.
struct CObserved {
    double dSeconds = 0;
    std::set<QString> texts;
    std::set<int> positions;
    qint64 nMaxStallMs = 0;
};

CObserved Observe(CPage3Dlg& page, const std::function<bool()>& fnDone, int nLimitMs = 600000) {
    CObserved seen;
    QElapsedTimer total, turn;
    total.start();
    turn.start();
    while (!fnDone() && total.elapsed() < nLimitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        seen.nMaxStallMs = std::max(seen.nMaxStallMs, turn.restart());
        seen.texts.insert(page.m_ctlCollectStatus->text() + page.m_ctlMatchStatus->text());
        seen.positions.insert(page.m_ctlProgress->value());
        QThread::msleep(1);
        turn.restart();
    }
    seen.dSeconds = total.elapsed() / 1000.0;
    return seen;
}

void Print(const char* pszWhat, const CObserved& seen) {
    std::printf("%-34s %8.3f s   %4zu texts  %5zu bar positions  longest stall %lld ms\n", pszWhat,
                seen.dSeconds, seen.texts.size(), seen.positions.size(),
                static_cast<long long>(seen.nMaxStallMs));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::size_t nFiles = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
    std::string strRoot;
    bool bOwnTree = argc <= 2;
    if (bOwnTree) {
        char szTemplate[] = "/tmp/twinex-bench-wizard-XXXXXX";
        strRoot = mkdtemp(szTemplate);
        CCorpusOptions options;
        options.m_nFiles = nFiles;
        options.m_dDupRatio = 0.3;
        options.m_nMaxSize = 16384;
        options.m_strOut = strRoot + "/tree";
        CCorpusStats stats;
        if (!MakeCorpus(options, stats)) {
            std::perror("corpus");
            return 1;
        }
        // Two equal large files, sparse, for a cancel in the middle of a contents compare.
        for (const char* name : {"/big1", "/big2"}) {
            const std::string strPath = strRoot + "/tree" + name;
            FILE* pFile = std::fopen(strPath.c_str(), "w");
            if (!pFile || ftruncate(fileno(pFile), off_t(8) << 30) != 0) return 1;
            std::fclose(pFile);
        }
        std::printf("tree: %zu files in %zu folders, %.1f MB\n", stats.m_nFiles + 2, stats.m_nDirs,
                    stats.m_nBytes / 1e6);
        strRoot += "/tree";
    } else {
        strRoot = argv[2];
    }

    CBenchHost host;
    auto pWizard = std::make_unique<CSearchWizard>(host, CWizardServices());
    CWizardSheet& sheet = pWizard->GetSheet();
    sheet.show();
    QCoreApplication::processEvents();
    host.m_pPage1->AddFolder(QByteArray::fromStdString(strRoot));
    CPage3Dlg& page = *host.m_pPage3;
    auto ended = [&] { return !page.IsSearching(); };
    auto matching = [&] { return page.GetSearchState().m_bMatching.load() == 1; };

    // 1. A whole search by CRC32 over the first 64 KiB.
    sheet.next();
    sheet.next();
    Print("collect", Observe(page, matching));
    Print("match (CRC32, 64 KiB)", Observe(page, ended));
    std::printf("  %s / %s, %zu rows\n", qPrintable(page.m_ctlCollectStatus->text()),
                qPrintable(page.m_ctlMatchStatus->text()), host.m_sink.m_nRows.load());

    // 2. Cancel in the middle of a collection.
    sheet.back();
    g_bFolderListChanged = 1;
    sheet.next();
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 150) QCoreApplication::processEvents();
    const std::size_t nSoFar = page.GetSearchState().m_files.GetSize();
    sheet.button(QWizard::CancelButton)->click();
    Print("cancel while collecting", Observe(page, ended));
    std::printf("  cancelled at %zu files: %s\n", nSoFar,
                qPrintable(page.m_ctlCollectStatus->text()));

    // 3. Cancel while two 8 GiB files are compared byte by byte.
    sheet.back();
    host.m_pPage2->m_radioCriterion[MATCH_CONTENTS]->click();
    host.m_pPage2->m_editPartial->setText("0");
    sheet.next();
    Observe(page, [&] { return matching() && page.GetSearchState().m_nProgressPos.load() > 0; });
    // The bar while the pair is read: it should move although no file is passed.
    std::set<int> barWhileReading;
    wait.restart();
    while (wait.elapsed() < 300) {
        QCoreApplication::processEvents();
        barWhileReading.insert(page.m_ctlProgress->value());
    }
    const CSearchState& state = page.GetSearchState();
    std::printf("  bar while reading: %zu positions, at %d of %d; %.1f of %.1f GB settled\n",
                barWhileReading.size(), page.m_ctlProgress->value(), page.m_ctlProgress->maximum(),
                state.m_nBytesDone.load() / 1e9, state.m_nBytesTotal.load() / 1e9);
    sheet.button(QWizard::CancelButton)->click();
    Print("cancel while comparing contents", Observe(page, ended));
    std::printf("  %s\n", qPrintable(page.m_ctlMatchStatus->text()));

    pWizard.reset();
    if (bOwnTree) std::filesystem::remove_all(std::filesystem::path(strRoot).parent_path());
    return 0;
}
