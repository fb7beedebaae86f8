// The criteria page: what leaving it stores, and the spinner beside the partial field.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "SpinButtonCtrl.h"
#include "TempTree.h"
#include "WizardFixture.h"

namespace {

class CriteriaPage : public CWizardTest {
protected:
    void OpenOnPage2() {
        OpenWizard();
        DropPaths({QByteArray::fromStdString(m_tree.AddDir("a"))});
        Click(QWizard::NextButton);
        ASSERT_EQ(Sheet().currentPage(), &Page2());
    }
    QString Spin(int nDirection) {
        QToolButton* pArrow = nDirection > 0 ? Page2().m_spinPartial->GetUpButton()
                                             : Page2().m_spinPartial->GetDownButton();
        QTest::mouseClick(pArrow, Qt::LeftButton);
        return Page2().m_editPartial->text();
    }
    CTempTree m_tree;
};

TEST_F(CriteriaPage, ArrowsStepBy16FromTheNumberInTheFieldWithinTheRange) {
    OpenOnPage2();
    EXPECT_TRUE(Usable(QWizard::BackButton));
    EXPECT_TRUE(Usable(QWizard::NextButton));
    EXPECT_EQ(Spin(+1), "80");
    EXPECT_EQ(Spin(-1), "64");
    EXPECT_EQ(Spin(-1), "48");
    Page2().m_editPartial->setText("100");
    EXPECT_EQ(Spin(+1), "116");
    Page2().m_editPartial->setText("32760");
    EXPECT_EQ(Spin(+1), "32767");
    EXPECT_EQ(Spin(+1), "32767");
    Page2().m_editPartial->setText("5");
    EXPECT_EQ(Spin(-1), "0");
    EXPECT_EQ(Spin(-1), "0");
    Page2().m_editPartial->setText("12 KB");  // read like atoi
    EXPECT_EQ(Spin(+1), "28");
    Page2().m_editPartial->setText("none");
    EXPECT_EQ(Spin(+1), "16");

    // The arrow keys in the field step too.
    Page2().m_editPartial->setText("64");
    QTest::keyClick(Page2().m_editPartial, Qt::Key_Up);
    EXPECT_EQ(Page2().m_editPartial->text(), "80");
    QTest::keyClick(Page2().m_editPartial, Qt::Key_Down);
    QTest::keyClick(Page2().m_editPartial, Qt::Key_Down);
    EXPECT_EQ(Page2().m_editPartial->text(), "48");

    // Any text is accepted: Next goes on.
    Page2().m_editPartial->setText("lots");
    Click(QWizard::NextButton);
    EXPECT_EQ(Sheet().currentPage(), &Page3());
    ASSERT_TRUE(WaitSearchEnd());
}

TEST_F(CriteriaPage, HeldArrowsAccelerateAfterTwoAndFiveSeconds) {
    OpenOnPage2();
    CSpinButtonCtrl& spin = *Page2().m_spinPartial;
    qint64 nNow = 1000;
    spin.SetClock([&] { return nNow; });
    Page2().m_editPartial->setText("0");

    QTest::mousePress(spin.GetUpButton(), Qt::LeftButton);
    EXPECT_EQ(Page2().m_editPartial->text(), "16");
    nNow += 1900;
    spin.OnAutoRepeat();
    EXPECT_EQ(Page2().m_editPartial->text(), "32");
    nNow += 200;  // 2.1 s held
    spin.OnAutoRepeat();
    EXPECT_EQ(Page2().m_editPartial->text(), "288");
    nNow += 3000;  // 5.1 s held
    spin.OnAutoRepeat();
    EXPECT_EQ(Page2().m_editPartial->text(), "1312");
    QTest::mouseRelease(spin.GetUpButton(), Qt::LeftButton);

    // A new press starts again from the first step.
    QTest::mousePress(spin.GetDownButton(), Qt::LeftButton);
    EXPECT_EQ(Page2().m_editPartial->text(), "1296");
    QTest::mouseRelease(spin.GetDownButton(), Qt::LeftButton);
    spin.OnAutoRepeat();  // a released arrow does not repeat
    EXPECT_EQ(Page2().m_editPartial->text(), "1296");
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
    Page2().m_editPartial->setText("12");
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
    EXPECT_EQ(seen.m_strPartial, "12");
    ASSERT_EQ(seen.rows.size(), 1u);

    // Contents, chosen after a search, reaches the next one.
    Click(QWizard::BackButton);
    Page2().m_radioCriterion[MATCH_CONTENTS]->click();
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(seen.m_nCriterion, MATCH_CONTENTS);
}

}  // namespace
