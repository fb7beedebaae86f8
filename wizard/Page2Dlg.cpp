#include "Page2Dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "SpinButtonCtrl.h"
#include "WizardArt.h"
#include "WizardHost.h"

namespace {

const char* const kCriterionCaptions[4] = {
    "Size - A match occurs when source and destination file size is similar. "
    "(Fastest - Least accurate)",
    "Checksum - A match occurs when source and destination file have the same checksum. "
    "(Medium - Accurate)",
    "CRC32 - A match occurs when source and destination file have the same CRC32 value. "
    "(Medium - Accurate)",
    "Contents - A match occurs when source and destination file have the same bytes, "
    "compared one by one. (Slowest - Highly accurate)",
};

constexpr int kMaxPartialChars = 20;

// A radio button's caption wraps over several lines; clicking the text selects the button.
class CCaptionClick : public QObject {
public:
    CCaptionClick(QRadioButton* pRadio, QObject* pParent) : QObject(pParent), m_pRadio(pRadio) {}

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::MouseButtonRelease && m_pRadio->isEnabled()) {
            m_pRadio->click();
            m_pRadio->setFocus(Qt::MouseFocusReason);
            return true;
        }
        return QObject::eventFilter(pWatched, pEvent);
    }

private:
    QRadioButton* m_pRadio;
};

}  // namespace

CPage2Dlg::CPage2Dlg(IWizardHost& host, QWidget* pParent)
    : CWizardPage(host, QStringLiteral("Search Duplicates Wizard - Step 2 of 3"), pParent) {
    setPixmap(QWizard::WatermarkPixmap, DrawSidePicture(ESidePicture::Criteria));

    auto* pHeading =
        new QLabel(QStringLiteral("Twinex will search for duplicate files using:"), this);
    auto* pGroup = new QButtonGroup(this);
    auto* pCriteria = new QGridLayout;
    pCriteria->setColumnStretch(1, 1);
    pCriteria->setContentsMargins(fontMetrics().averageCharWidth() * 2, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        const QString strCaption = QString::fromLatin1(kCriterionCaptions[i]);
        m_radioCriterion[i] = new QRadioButton(this);
        m_radioCriterion[i]->setAccessibleName(strCaption);
        pGroup->addButton(m_radioCriterion[i], i);
        auto* pCaption = new QLabel(strCaption, this);
        pCaption->setWordWrap(true);
        pCaption->installEventFilter(new CCaptionClick(m_radioCriterion[i], pCaption));
        pCriteria->addWidget(m_radioCriterion[i], i, 0, Qt::AlignTop);
        pCriteria->addWidget(pCaption, i, 1);
    }
    m_btnReflect = new QCheckBox(
        QStringLiteral("Reflect target file at source. (Show duplicates individually)"), this);
    auto* pPartialLabel = new QLabel(
        QStringLiteral("Partial compare: (specify size in KBytes to be used for file compare)"),
        this);
    m_editPartial = new QLineEdit(this);
    m_editPartial->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 10);
    pPartialLabel->setBuddy(m_editPartial);
    m_spinPartial = new CSpinButtonCtrl(this);
    m_spinPartial->setFixedHeight(m_editPartial->sizeHint().height());
    m_spinPartial->SetBuddy(m_editPartial);
    auto* pFullHint = new QLabel(QStringLiteral("(0 to perform full compare)"), this);
    auto* pMinSizeLabel = new QLabel(QStringLiteral("Skip files &smaller than"), this);
    m_spinMinSize = new QSpinBox(this);
    // Up to 2 TiB, which no file to compare reaches.
    m_spinMinSize->setRange(0, 0x7FFFFFFF);
    m_spinMinSize->setValue(0);
    m_spinMinSize->setAccelerated(true);
    pMinSizeLabel->setBuddy(m_spinMinSize);
    auto* pMinSizeUnit = new QLabel(QStringLiteral("KB"), this);
    m_btnUseCache =
        new QCheckBox(QStringLiteral("&Remember file checksums between searches"), this);
    m_btnUseCache->setChecked(true);

    auto* pReflectRow = new QHBoxLayout;
    pReflectRow->addSpacing(fontMetrics().averageCharWidth() * 2);
    pReflectRow->addWidget(m_btnReflect);
    auto* pMinSizeRow = new QHBoxLayout;
    pMinSizeRow->addSpacing(fontMetrics().averageCharWidth() * 2);
    pMinSizeRow->addWidget(pMinSizeLabel);
    pMinSizeRow->addWidget(m_spinMinSize);
    pMinSizeRow->addWidget(pMinSizeUnit);
    pMinSizeRow->addStretch(1);
    auto* pCacheRow = new QHBoxLayout;
    pCacheRow->addSpacing(fontMetrics().averageCharWidth() * 2);
    pCacheRow->addWidget(m_btnUseCache);
    auto* pPartialRow = new QHBoxLayout;
    pPartialRow->addSpacing(fontMetrics().averageCharWidth() * 2);
    pPartialRow->setSpacing(0);
    pPartialRow->addWidget(m_editPartial);
    pPartialRow->addWidget(m_spinPartial);
    pPartialRow->addSpacing(fontMetrics().averageCharWidth());
    pPartialRow->addWidget(pFullHint);
    pPartialRow->addStretch(1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pHeading);
    pLayout->addLayout(pCriteria);
    pLayout->addLayout(pReflectRow);
    pLayout->addLayout(pMinSizeRow);
    pLayout->addLayout(pCacheRow);
    pLayout->addStretch(1);
    pLayout->addWidget(pPartialLabel);
    pLayout->addLayout(pPartialRow);

    // Tab goes from the criteria to the partial field that limits them, then to the reflect
    // box, although the box stands above the field on screen.
    setTabOrder(m_radioCriterion[3], m_editPartial);
    setTabOrder(m_editPartial, m_btnReflect);
    setTabOrder(m_btnReflect, m_spinMinSize);
    setTabOrder(m_spinMinSize, m_btnUseCache);

    UpdateData(false);
}

void CPage2Dlg::OnSetActive() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    if (m_bFirstActive) {
        m_bFirstActive = false;
        m_editPartial->setText(QStringLiteral("64"));
        m_spinPartial->SetRange(0, 0x7FFF);
        m_spinPartial->SetAccel({{0, 16}, {2, 256}, {5, 1024}});
    }
    UpdateData(false);
}

bool CPage2Dlg::OnQueryCancel() {
    return QueryQuitWizard(m_host.GetPrompt());
}

bool CPage2Dlg::validatePage() {
    UpdateData(true);
    return true;
}

void CPage2Dlg::cleanupPage() {
    UpdateData(true);
}

void CPage2Dlg::UpdateData(bool bSave) {
    if (bSave) {
        for (int i = 0; i < 4; ++i)
            if (m_radioCriterion[i]->isChecked()) m_nCriterion = i;
        m_bReflect = m_btnReflect->isChecked() ? 1 : 0;
    } else {
        if (m_nCriterion >= 0 && m_nCriterion < 4) m_radioCriterion[m_nCriterion]->setChecked(true);
        m_btnReflect->setChecked(m_bReflect != 0);
    }
}

std::string CPage2Dlg::GetPartialText() const {
    QString strText = m_editPartial->text();
    const int nBreak = strText.indexOf(QLatin1Char('\n'));
    if (nBreak >= 0) strText.truncate(nBreak);
    return QFile::encodeName(strText.left(kMaxPartialChars)).toStdString();
}

std::uint64_t CPage2Dlg::GetMinSizeBytes() const {
    return static_cast<std::uint64_t>(m_spinMinSize->value()) * 1024;
}

bool CPage2Dlg::GetUseCache() const {
    return m_btnUseCache->isChecked();
}
