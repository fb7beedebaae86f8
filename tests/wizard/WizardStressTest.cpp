// Starts, cancels and closes searches at random moments, with the real engine. Not timed:
// it exists for the sanitizer builds, which report any race or use after free it provokes.
// Qt is not built with the thread sanitizer: its locks are invisible to it and the memory it
// hands between its own threads looks raced, so reports inside Qt are suppressed. Our code
// stays checked; its hand-overs through Qt's queue are annotated (ThreadHandoff.h).
#include <QTest>
#include <cstdlib>
#include <random>

#include "Resource.h"
#include "WizardFixture.h"

#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n";
}
#endif

namespace {

using WizardStress = CWizardTest;

TEST_F(WizardStress, StartsCancelsAndClosesAtRandomMoments) {
    // Enough files that both phases last a few milliseconds, with many duplicate sets.
    for (int i = 0; i < 600; ++i)
        m_tree.Add("d" + std::to_string(i % 7) + "/f" + std::to_string(i),
                   std::string(std::size_t(100 + (i % 40) * 37), char('a' + i % 3)));
    const char* strRounds = std::getenv("TWINEX_STRESS_ROUNDS");
    const int nRounds = strRounds ? std::max(1, std::atoi(strRounds)) : 24;
    std::mt19937 random(20240531);

    for (int nRound = 0; nRound < nRounds; ++nRound) {
        SCOPED_TRACE(nRound);
        OpenWizard();
        DropPaths({m_tree.Root()});
        Click(QWizard::NextButton);
        if (random() % 2) Page2().m_radioCriterion[random() % 4]->click();
        Click(QWizard::NextButton);
        for (int nStep = 0; nStep < 3; ++nStep) {
            QTest::qWait(int(random() % 12));
            switch (random() % 5) {
                case 0:  // a confirmed cancel, or the quit question when it already ended
                    m_host.Answer({true});
                    Click(QWizard::CancelButton);
                    if (!Sheet().isVisible()) break;
                    ASSERT_TRUE(WaitSearchEnd());
                    Click({QWizard::BackButton, QWizard::NextButton});
                    continue;
                case 1:  // the main window closes
                    CloseSearchWizard(m_host);
                    break;
                case 2:  // the wizard goes away with no question at all
                    break;
                default:  // wait for the end, then search again
                    ASSERT_TRUE(WaitSearchEnd());
                    Click({QWizard::BackButton, QWizard::NextButton});
                    continue;
            }
            break;
        }
        CloseWizard();
        EXPECT_EQ(m_host.m_statusIds.back(), AFX_IDS_IDLEMESSAGE);
        m_host.m_prompt.m_answers.clear();
    }
}

}  // namespace
