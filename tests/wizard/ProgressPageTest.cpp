// The progress page with the real workers held where a test wants them: button states, the
// cancel and quit questions, the texts after a cancel, closing while a worker runs.
#include <thread>

#include "WizardFixture.h"

namespace {

// Holds a worker until the test opens the gate or the abort flag is raised.
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
        // Held mid-collection with the newest row's files in, or as the earlier collection is
        // reused; then the real collection runs (the files held are not added twice).
        g_fnCollectFiles = [this](const std::vector<CFolderRow>& rows, int bChanged,
                                  CSearchState& state, const CCollectCallbacks& callbacks) {
            ++m_nCollectCalls;
            if (bChanged) {
                state.m_bCollecting = 1;
                state.m_files.AddDir(rows[0].strFolder, "*.*", false, &state.m_bAbort);
                m_collectGate.Pass(state);
            } else {
                m_skipGate.Pass(state);
            }
            CollectFilesProc(rows, bChanged, state, callbacks);
        };
        // Held once matching has begun.
        g_fnMatchFiles = [this](const CSearchSettings& settings, CSearchState& state,
                                IResultSink& sink, const CMatchCallbacks& callbacks) {
            ++m_nMatchCalls;
            CMatchCallbacks held = callbacks;
            held.setStatus = [&](int nId) {
                callbacks.setStatus(nId);
                if (nId == IDS_STATUS_MATCHING) m_matchGate.Pass(state);
            };
            MatchFilesProc(settings, state, sink, held);
        };
        m_skipGate.m_bOpen = true;
        for (const char* pszName : {"a/1", "a/2", "a/3"}) m_tree.Add(pszName, "same");
    }
    QString CollectText() const { return Page3().m_ctlCollectStatus->text(); }
    QString MatchText() const { return Page3().m_ctlMatchStatus->text(); }
    bool WaitEntered(CGate& gate, int n = 1) {
        return WaitFor([&] { return gate.m_nEntered >= n; });
    }
    void OpenGates() { m_collectGate.m_bOpen = m_matchGate.m_bOpen = true; }

    CGate m_collectGate, m_matchGate, m_skipGate;
    std::atomic<int> m_nCollectCalls{0}, m_nMatchCalls{0};
};

TEST_F(ProgressPage, ButtonsStayLockedWhileSearchingThenOfferBackAndFinish) {
    OpenWizard();
    StartSearch(m_tree.Path("a"));
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
    EXPECT_EQ(m_host.Title(), FormatTitle(3, 3));
    EXPECT_EQ(g_nCollectedFiles, 3);
    EXPECT_EQ(m_host.m_statusIds, (std::vector<int>{IDS_STATUS_SEARCHING, IDS_STATUS_READY,
                                                    IDS_STATUS_MATCHING, IDS_STATUS_READY}));

    Click(QWizard::FinishButton);
    EXPECT_FALSE(Sheet().isVisible());
    EXPECT_EQ(m_host.m_sink.m_rows.size(), 3u);  // the rows stay behind in the view
}

TEST_F(ProgressPage, CancelWhileCollectingAsksThenStopsBeforeMatching) {
    OpenWizard();
    StartSearch(m_tree.Path("a"));
    ASSERT_TRUE(WaitEntered(m_collectGate));
    m_host.Answer({false});
    Click(QWizard::CancelButton);
    EXPECT_EQ(m_host.LastAsked(), "Searching: Cancel search.\nAre you sure?");
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
    EXPECT_TRUE(m_host.LastAsked().startsWith("Quit Wizard: "));
    EXPECT_FALSE(Sheet().isVisible());
}

TEST_F(ProgressPage, BackThenNextReusesTheFilesUntilARowIsAddedAndCancelsKeepTheEarlierResults) {
    OpenWizard();
    OpenGates();
    StartSearch(m_tree.Path("a"));
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(g_bFolderListChanged, 0);

    // Cancelled as the earlier collection is reused: those files were complete and stay.
    m_skipGate.m_bOpen = false;
    Click({QWizard::BackButton, QWizard::NextButton});
    ASSERT_TRUE(WaitEntered(m_skipGate));
    m_host.Answer({true});
    Click(QWizard::CancelButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(CollectText(), "Search aborted.");

    m_skipGate.m_bOpen = true;
    m_host.m_statusIds.clear();
    Click({QWizard::BackButton, QWizard::NextButton});
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(m_host.m_statusIds, (std::vector<int>{IDS_STATUS_MATCHING, IDS_STATUS_READY}));
    EXPECT_EQ(CollectText(), "Done - Found 3 file(s).");
    EXPECT_EQ(MatchText(), "Match done. Found: 3 file(s).");
    EXPECT_EQ(m_nCollectCalls, 3);
    EXPECT_EQ(m_nMatchCalls, 2);

    // A new row makes the next search collect every row again; its match, cancelled, leaves
    // the title, the rows and the folder flag as they were.
    const QString strTitle = m_host.Title();
    m_tree.Add("b/4", "same");
    m_matchGate.m_bOpen = false;
    Click({QWizard::BackButton, QWizard::BackButton});
    DropPaths({m_tree.Path("b")});
    Click({QWizard::NextButton, QWizard::NextButton});
    ASSERT_TRUE(WaitEntered(m_matchGate, 3));
    m_host.Answer({true});
    Click(QWizard::CancelButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(CollectText(), "Done - Found 4 file(s).");
    EXPECT_EQ(MatchText(), "Match aborted.");
    EXPECT_EQ(Page3().m_ctlProgress->value(), 0);
    EXPECT_EQ(m_host.Title(), strTitle);
    EXPECT_EQ(m_host.m_sink.m_rows.size(), 3u);
    EXPECT_EQ(g_bFolderListChanged, 1);
}

TEST_F(ProgressPage, ClosingWhileAWorkerRunsStopsAndWaitsForIt) {
    // At every moment a worker can be in: before it marks itself busy, collecting, matching.
    for (int nMoment = 0; nMoment < 3; ++nMoment) {
        SCOPED_TRACE(nMoment);
        m_collectGate.m_nEntered = m_matchGate.m_nEntered = 0;
        m_collectGate.m_bOpen = nMoment >= 2;
        OpenWizard();
        StartSearch(m_tree.Path("a"));
        if (nMoment > 0) {
            ASSERT_TRUE(WaitEntered(nMoment == 1 ? m_collectGate : m_matchGate));
        }
        // Also the main window closing: the launcher watches it.
        if (nMoment == 1)
            m_host.m_window.close();
        else
            CloseSearchWizard(m_host);
        EXPECT_FALSE(Sheet().isVisible());
        EXPECT_FALSE(Page3().IsSearching());
        CloseWizard();
        EXPECT_EQ(m_host.m_statusIds.back(), IDS_STATUS_READY);
        QCoreApplication::processEvents();
    }
}

}  // namespace
