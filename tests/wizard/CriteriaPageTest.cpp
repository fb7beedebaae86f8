// The spinner beside the partial field: steps of 16 from the number typed, kept in range.
#include <QTest>
#include <QToolButton>

#include "SpinButtonCtrl.h"
#include "WizardFixture.h"

namespace {

using CriteriaPage = CWizardTest;

TEST_F(CriteriaPage, ArrowsAndArrowKeysStepBy16FromTheNumberInTheFieldWithinTheRange) {
    OpenWizard();
    DropPaths({m_tree.AddDir("a")});
    Click(QWizard::NextButton);
    QLineEdit& partial = *Page2().m_editPartial;
    CSpinButtonCtrl& spin = *Page2().m_spinPartial;
    partial.setText("32760");
    QTest::mouseClick(spin.GetUpButton(), Qt::LeftButton);
    EXPECT_EQ(partial.text(), "32767");
    partial.setText("5");
    QTest::mouseClick(spin.GetDownButton(), Qt::LeftButton);
    EXPECT_EQ(partial.text(), "0");
    partial.setText("12 KB");  // the number it starts with
    QTest::keyClick(&partial, Qt::Key_Up);
    EXPECT_EQ(partial.text(), "28");
}

}  // namespace
