#include "AboutDlg.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "ResImages.h"
#include "ResTables.h"

namespace {

QLabel* MakeText(int nStringId, QWidget* pParent) {
    auto* pLabel = new QLabel(LoadResString(nStringId), pParent);
    pLabel->setTextFormat(Qt::PlainText);
    return pLabel;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(LoadResString(IDS_ABOUT_CAPTION));
    setModal(true);

    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(GetAppIcon().pixmap(32, 32));
    pIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    pIcon->setMinimumWidth(48);

    auto* pTexts = new QVBoxLayout;
    pTexts->addWidget(MakeText(IDS_ABOUT_VERSION, this));
    pTexts->addWidget(MakeText(IDS_ABOUT_NOTICE, this));
    pTexts->addSpacing(8);
    QLabel* pReadme = MakeText(IDS_ABOUT_README, this);
    pReadme->setWordWrap(true);
    pReadme->setMinimumWidth(320);
    pTexts->addWidget(pReadme);
    pTexts->addStretch(1);

    auto* pOk = new QPushButton(LoadResString(IDS_ABOUT_OK), this);
    pOk->setDefault(true);
    pOk->setObjectName(QStringLiteral("IDOK"));
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    auto* pButtons = new QVBoxLayout;
    pButtons->addWidget(pOk);
    pButtons->addStretch(1);

    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(pIcon);
    pLayout->addLayout(pTexts, 1);
    pLayout->addLayout(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}
