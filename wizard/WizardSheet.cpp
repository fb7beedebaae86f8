#include "WizardSheet.h"

#include <QAbstractButton>
#include <QMetaObject>
#include <QPointer>

#include "Prompt.h"
#include "WizardHost.h"

CWizardPage::CWizardPage(IWizardHost& host, const QString& strCaption, QWidget* pParent)
    : QWizardPage(pParent), m_host(host), m_strCaption(strCaption) {}

CWizardSheet* CWizardPage::GetSheet() const {
    return qobject_cast<CWizardSheet*>(wizard());
}

void CWizardPage::SetWizardButtons(int nFlags) {
    auto apply = [this, nFlags] {
        if (CWizardSheet* pSheet = GetSheet())
            if (pSheet->currentPage() == this) pSheet->ApplyWizardButtons(nFlags);
    };
    // At once, so that no click can come between the page switch and the new states; and
    // once more queued, after the wizard's own update for the switch under way.
    apply();
    QMetaObject::invokeMethod(this, apply, Qt::QueuedConnection);
}

bool QueryQuitWizard(IPrompt& prompt) {
    return prompt.AskYesNo(QStringLiteral("Quit Search Duplicates Wizard.\nAre you sure?"),
                           QStringLiteral("Quit Wizard"), IPrompt::ICON_QUESTION);
}

CWizardSheet::CWizardSheet(QWidget* pParent) : QWizard(pParent) {
    // The classic look keeps each page's side picture at the left, as the pages are drawn for.
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage, false);
    setOption(QWizard::HaveHelpButton, false);
    connect(this, &QWizard::currentIdChanged, this, &CWizardSheet::OnCurrentIdChanged);
}

void CWizardSheet::FitPages() {
    // One size for every page, so that the frame does not jump from step to step.
    QSize size = sizeHint();
    for (int nId : pageIds()) size = size.expandedTo(page(nId)->sizeHint());
    const int nChar = fontMetrics().averageCharWidth();
    resize(size.expandedTo(QSize(nChar * 100, nChar * 70)));
}

void CWizardSheet::ApplyWizardButtons(int nFlags) {
    if (QAbstractButton* pBack = button(QWizard::BackButton))
        pBack->setEnabled((nFlags & PSWIZB_BACK) != 0);
    if (QAbstractButton* pNext = button(QWizard::NextButton))
        pNext->setEnabled((nFlags & PSWIZB_NEXT) != 0);
    if (QAbstractButton* pFinish = button(QWizard::FinishButton))
        pFinish->setEnabled((nFlags & PSWIZB_FINISH) != 0);
}

void CWizardSheet::ForceClose() {
    m_bForceClose = true;
    done(QDialog::Rejected);
}

void CWizardSheet::reject() {
    if (!m_bForceClose) {
        auto* pPage = qobject_cast<CWizardPage*>(currentPage());
        if (pPage && !pPage->OnQueryCancel()) return;
    }
    QWizard::reject();
}

void CWizardSheet::OnCurrentIdChanged(int nId) {
    auto* pPage = qobject_cast<CWizardPage*>(page(nId));
    if (!pPage) return;  // -1 while the wizard resets on close
    setWindowTitle(pPage->GetCaption());
    pPage->OnSetActive();
}
