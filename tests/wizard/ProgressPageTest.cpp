// The progress page with stand-in workers that stop where a test wants them: button states,
// the cancel and quit questions, the texts after a cancel, closing while a worker runs.
#include <QLabel>
#include <QProgressBar>
#include <atomic>
#include <thread>

#include "TempTree.h"
#include "WizardFixture.h"

namespace {

// A worker step that waits until the test opens the gate or the abort flag is raised.
struct CGate {
    std::atomic<bool> m_bOpen{false};
    std::atomic<int> m_nEntered{0};
    void Pass(const CSearchState& state) {
        ++m_nEntered;
        while (!m_bOpen && !state.m_bAbort)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

class ProgressPage : public CWizardTest {
protected:
    void SetUp() override {
        CWizardTest::SetUp();
        // Collects one file per row unless stopped, like the real worker.
        g_fnCollectFiles = [this](const std::vector<CFolderRow>& rows, int bChanged,
                                  CSearchState& state, const CCollectCallbacks& callbacks) {
            ++m_nCollectCalls;
            if (bChanged) {
                state.m_bBusy = 1;
                state.m_bCollecting = 1;
                callbacks.setStatus(IDS_STATUS_SEARCHING);
                for (const CFolderRow& row : rows) {
                    if (!state.m_bAbort)
                        state.m_files.AddDir(row.strFolder, "*.*", false, &state.m_bAbort);
                    m_collectGate.Pass(state);  // files of the first row are in
                }
                state.m_bBusy = 0;
                state.m_bCollecting = 0;
                callbacks.setStatus(IDS_STATUS_READY);
            } else {
                m_skipGate.Pass(state);
            }
            callbacks.postCollectDone();
        };
        // Matches every file with itself once: as many pairs as files.
        g_fnMatchFiles = [this](const CSearchSettings&, CSearchState& state, IResultSink& sink,
                                const CMatchCallbacks& callbacks) {
            ++m_nMatchCalls;
            state.m_bBusy = 1;
            state.m_bMatching = 1;
            state.m_nProgressMax = std::int64_t(state.m_files.GetSize());
            callbacks.setStatus(IDS_STATUS_MATCHING);
            m_matchGate.Pass(state);
            for (std::size_t i = 0; i < state.m_files.GetSize() && !state.m_bAbort; ++i) {
                state.m_matches.push_back({&state.m_files[i], &state.m_files[i]});
                state.m_nMatches = state.m_matches.size();
                state.m_nProgressPos = std::int64_t(i + 1);
            }
            if (!state.m_bAbort) {
                sink.Clear();
                std::vector<CResultRow> rows(state.m_matches.size());
                sink.Append(std::move(rows));
                sink.End();
            }
            state.m_bBusy = 0;
            state.m_bMatching = 0;
            callbacks.setStatus(IDS_STATUS_READY);
            callbacks.postMatchDone();
        };
        m_skipGate.m_bOpen = true;
        m_strFolder = QByteArray::fromStdString(m_tree.AddDir("a"));
        m_tree.Add("a/1", "1");
        m_tree.Add("a/2", "22");
        m_tree.Add("a/3", "333");
    }
    QString CollectText() const { return Page3().m_ctlCollectStatus->text(); }
    QString MatchText() const { return Page3().m_ctlMatchStatus->text(); }
    bool WaitEntered(CGate& gate, int n = 1) {
        return WaitFor([&] { return gate.m_nEntered >= n; });
    }

    CTempTree m_tree;
    QByteArray m_strFolder;
    CGate m_collectGate, m_matchGate, m_skipGate;
    std::atomic<int> m_nCollectCalls{0}, m_nMatchCalls{0};
};

TEST_F(ProgressPage, ButtonsStayLockedWhileSearchingThenOfferBackAndFinish) {
    OpenWizard();
    StartSearch(m_strFolder);
    EXPECT_EQ(Sheet().windowTitle(), "Search Duplicates Wizard - Step 3 of 3");
    ASSERT_TRUE(WaitEntered(m_collectGate));
    EXPECT_FALSE(Usable(QWizard::BackButton));
    EXPECT_FALSE(Usable(QWizard::FinishButton));
    EXPECT_TRUE(Button(QWizard::FinishButton)->isVisible());
    EXPECT_FALSE(Button(QWizard::NextButton)->isVisible());
    EXPECT_TRUE(Usable(QWizard::CancelButton));
    // The timer shows the files collected so far.
    EXPECT_TRUE(WaitFor(
        [&] { return CollectText() == "Files collection in progress - Found 3 file(s)."; }));
    m_collectGate.m_bOpen = true;

    ASSERT_TRUE(WaitEntered(m_matchGate));
    EXPECT_EQ(CollectText(), "Done - Found 3 file(s).");
    EXPECT_FALSE(Usable(QWizard::FinishButton));
    m_matchGate.m_bOpen = true;
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_TRUE(Usable(QWizard::FinishButton));
    EXPECT_EQ(MatchText(), "Match done. Found: 3 file(s).");
    EXPECT_EQ(Page3().m_ctlProgress->value(), Page3().m_ctlProgress->maximum());
    EXPECT_EQ(m_host.Title(), MatchTitle(3, 3));
    EXPECT_EQ(g_nCollectedFiles, 3);
    EXPECT_EQ(m_host.m_statusIds, (std::vector<int>{IDS_STATUS_SEARCHING, IDS_STATUS_READY,
                                                    IDS_STATUS_MATCHING, IDS_STATUS_READY}));

    Click(QWizard::FinishButton);
    EXPECT_FALSE(Sheet().isVisible());
    EXPECT_EQ(m_host.m_sink.m_rows.size(), 3u);  // the rows stay behind in the view
}

TEST_F(ProgressPage, CancelWhileCollectingAsksThenStopsBeforeMatching) {
    OpenWizard();
    StartSearch(m_strFolder);
    ASSERT_TRUE(WaitEntered(m_collectGate));
    m_host.Answer({false});
    Click(QWizard::CancelButton);
    EXPECT_EQ(m_host.m_prompt.m_asked.back().strText, "Cancel search.\nAre you sure?");
    EXPECT_EQ(m_host.m_prompt.m_asked.back().strCaption, "Searching");
    EXPECT_TRUE(Page3().IsSearching());
    EXPECT_EQ(Page3().m_state.m_bAbort, 0);

    m_host.Answer({true});
    Click(QWizard::CancelButton);
    EXPECT_TRUE(Sheet().isVisible());  // the wizard stays; the worker reports
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(CollectText(), "Search aborted.");
    EXPECT_EQ(m_nMatchCalls, 0);
    EXPECT_EQ(Page3().m_state.m_files.GetSize(), 0u);
    EXPECT_EQ(m_host.Title(), "Twinex Version 1.0 RC1");

    // Idle now: Cancel asks the quit question instead.
    m_host.Answer({true});
    Click(QWizard::CancelButton);
    EXPECT_EQ(m_host.m_prompt.m_asked.back().strCaption, "Quit Wizard");
    EXPECT_FALSE(Sheet().isVisible());
}

TEST_F(ProgressPage, BackThenNextMatchesAgainWithoutCollectingUnlessARowWasAdded) {
    OpenWizard();
    m_collectGate.m_bOpen = m_matchGate.m_bOpen = true;
    StartSearch(m_strFolder);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(g_bFolderListChanged, 0);

    m_host.m_statusIds.clear();
    Click(QWizard::BackButton);
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(m_host.m_statusIds, (std::vector<int>{IDS_STATUS_MATCHING, IDS_STATUS_READY}));
    EXPECT_EQ(CollectText(), "Done - Found 3 file(s).");
    EXPECT_EQ(m_nMatchCalls, 2);

    // A new row makes the next search collect every row again.
    m_tree.Add("b/4", "4444");
    Click(QWizard::BackButton);
    Click(QWizard::BackButton);
    DropPaths({QByteArray::fromStdString(m_tree.Path("b"))});
    Click(QWizard::NextButton);
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(CollectText(), "Done - Found 4 file(s).");
    EXPECT_EQ(m_host.Title(), MatchTitle(4, 4));
}

TEST_F(ProgressPage, CancelledMatchLeavesTitleRowsAndFolderFlagAlone) {
    OpenWizard();
    m_collectGate.m_bOpen = m_matchGate.m_bOpen = true;
    StartSearch(m_strFolder);
    ASSERT_TRUE(WaitSearchEnd());
    const QString strTitle = m_host.Title();
    const std::size_t nRows = m_host.m_sink.m_rows.size();

    m_matchGate.m_bOpen = false;
    g_bFolderListChanged = 1;  // as if a row had been added: collect again, then cancel matching
    Click(QWizard::BackButton);
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitEntered(m_matchGate, 2));
    m_host.Answer({true});
    Click(QWizard::CancelButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(MatchText(), "Match aborted.");
    EXPECT_EQ(Page3().m_ctlProgress->value(), 0);
    EXPECT_EQ(m_host.Title(), strTitle);
    EXPECT_EQ(m_host.m_sink.m_rows.size(), nRows);
    EXPECT_EQ(g_bFolderListChanged, 1);
    EXPECT_EQ(CollectText(), "Done - Found 3 file(s).");
}

TEST_F(ProgressPage, ACancelAsTheEarlierCollectionIsReusedKeepsThoseFiles) {
    OpenWizard();
    m_collectGate.m_bOpen = m_matchGate.m_bOpen = true;
    StartSearch(m_strFolder);
    ASSERT_TRUE(WaitSearchEnd());

    m_skipGate.m_bOpen = false;
    Click(QWizard::BackButton);
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitEntered(m_skipGate));
    m_host.Answer({true});
    Click(QWizard::CancelButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(CollectText(), "Search aborted.");

    // The files were complete: the next search matches them again, all of them.
    m_skipGate.m_bOpen = true;
    Click(QWizard::BackButton);
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(CollectText(), "Done - Found 3 file(s).");
    EXPECT_EQ(m_host.Title(), MatchTitle(3, 3));
    EXPECT_EQ(m_nCollectCalls, 3);
}

TEST_F(ProgressPage, ClosingWhileAWorkerRunsStopsAndWaitsForIt) {
    // At every moment a worker can be in: before it marks itself busy, collecting, matching.
    for (int nMoment = 0; nMoment < 3; ++nMoment) {
        SCOPED_TRACE(nMoment);
        m_collectGate.m_nEntered = m_matchGate.m_nEntered = 0;
        m_collectGate.m_bOpen = nMoment >= 2;
        OpenWizard();
        StartSearch(m_strFolder);
        if (nMoment == 1) {
            ASSERT_TRUE(WaitEntered(m_collectGate));
        } else if (nMoment == 2) {
            ASSERT_TRUE(WaitEntered(m_matchGate));
        }
        // Also the main window closing: the launcher watches it.
        if (nMoment == 1) {
            m_host.m_window.close();
        } else {
            CloseSearchWizard(m_host);
        }
        EXPECT_FALSE(Sheet().isVisible());
        EXPECT_FALSE(Page3().IsSearching());
        CloseWizard();
        EXPECT_EQ(m_host.m_statusIds.back(), IDS_STATUS_READY);
        QCoreApplication::processEvents();
    }
}

}  // namespace
