// The criteria page: what leaving it stores, and the spinner beside the partial field.
#include <QTest>
#include <QToolButton>

#include "SpinButtonCtrl.h"
#include "WizardFixture.h"

namespace {

class CriteriaPage : public CWizardTest {
protected:
    void OpenOnPage2() {
        OpenWizard();
        DropPaths({m_tree.AddDir("a")});
        Click(QWizard::NextButton);
        ASSERT_EQ(Sheet().currentPage(), &Page2());
    }
    QLineEdit& Partial() const { return *Page2().m_editPartial; }
};

TEST_F(CriteriaPage, ArrowsAndArrowKeysStepBy16FromTheNumberInTheFieldWithinTheRange) {
    OpenOnPage2();
    EXPECT_TRUE(Usable(QWizard::BackButton));
    EXPECT_TRUE(Usable(QWizard::NextButton));
    CSpinButtonCtrl& spin = *Page2().m_spinPartial;
    // nHow: +1/-1 the up/down arrow, +2/-2 the Up/Down key in the field.
    const struct {
        const char* strFrom;
        int nHow;
        const char* strTo;
    } steps[] = {{"64", +1, "80"},       {"64", -1, "48"},       {"100", +1, "116"},
                 {"32760", +1, "32767"}, {"32767", +1, "32767"}, {"5", -1, "0"},
                 {"0", -1, "0"},         {"12 KB", +1, "28"},    {"none", +1, "16"},
                 {"64", +2, "80"},       {"80", -2, "64"}};
    for (const auto& step : steps) {
        Partial().setText(step.strFrom);
        if (step.nHow == 1 || step.nHow == -1)
            QTest::mouseClick(step.nHow > 0 ? spin.GetUpButton() : spin.GetDownButton(),
                              Qt::LeftButton);
        else
            QTest::keyClick(&Partial(), step.nHow > 0 ? Qt::Key_Up : Qt::Key_Down);
        EXPECT_EQ(Partial().text(), step.strTo) << step.strFrom << " " << step.nHow;
    }
}

TEST_F(CriteriaPage, HeldArrowsAccelerateAfterTwoAndFiveSeconds) {
    OpenOnPage2();
    CSpinButtonCtrl& spin = *Page2().m_spinPartial;
    qint64 nNow = 1000;
    spin.SetClock([&] { return nNow; });
    Partial().setText("0");
    QTest::mousePress(spin.GetUpButton(), Qt::LeftButton);
    EXPECT_EQ(Partial().text(), "16");
    // Held 1.9 s, 2.1 s, 5.1 s.
    const std::pair<int, const char*> repeats[] = {{1900, "32"}, {200, "288"}, {3000, "1312"}};
    for (auto [nWait, strText] : repeats) {
        nNow += nWait;
        spin.OnAutoRepeat();
        EXPECT_EQ(Partial().text(), strText);
    }
    QTest::mouseRelease(spin.GetUpButton(), Qt::LeftButton);

    // A new press starts again from the first step.
    QTest::mousePress(spin.GetDownButton(), Qt::LeftButton);
    EXPECT_EQ(Partial().text(), "1296");
    QTest::mouseRelease(spin.GetDownButton(), Qt::LeftButton);
    spin.OnAutoRepeat();  // a released arrow does not repeat
    EXPECT_EQ(Partial().text(), "1296");
}

TEST_F(CriteriaPage, LeavingByBackOrNextStoresTheChoicesTheSearchUses) {
    OpenOnPage2();
    CSearchSettings seen;
    int nMatches = 0;
    g_fnMatchFiles = [&](const CSearchSettings& settings, CSearchState&, IResultSink&,
                         const CMatchCallbacks& callbacks) {
        seen = settings;
        ++nMatches;
        callbacks.postMatchDone();
    };
    Page2().m_radioCriterion[MATCH_SIZE]->click();
    Page2().m_btnReflect->click();
    Partial().setText("12 lots");  // any text: the search reads it
    Click(QWizard::BackButton);
    EXPECT_EQ(Page2().m_nCriterion, MATCH_SIZE);
    EXPECT_EQ(Page2().m_bReflect, 0);
    Click(QWizard::NextButton);
    EXPECT_TRUE(Page2().m_radioCriterion[MATCH_SIZE]->isChecked());
    EXPECT_FALSE(Page2().m_btnReflect->isChecked());

    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(nMatches, 1);
    EXPECT_EQ(seen.m_nCriterion, MATCH_SIZE);
    EXPECT_EQ(seen.m_bReflect, 0);
    EXPECT_EQ(seen.m_strPartial, "12 lots");
    ASSERT_EQ(seen.rows.size(), 1u);

    // Contents, chosen after a search, reaches the next one.
    Click(QWizard::BackButton);
    Page2().m_radioCriterion[MATCH_CONTENTS]->click();
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(seen.m_nCriterion, MATCH_CONTENTS);
}

}  // namespace
