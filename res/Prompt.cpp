#include "Prompt.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon ToBoxIcon(IPrompt::EIcon nIcon) {
    switch (nIcon) {
    case IPrompt::ICON_WARNING: return QMessageBox::Warning;
    case IPrompt::ICON_ERROR: return QMessageBox::Critical;
    case IPrompt::ICON_QUESTION: return QMessageBox::Question;
    case IPrompt::ICON_INFORMATION: break;
    }
    return QMessageBox::Information;
}

}  // namespace

bool CMessageBoxPrompt::AskYesNo(const QString& strText, const QString& strCaption, EIcon nIcon) {
    QMessageBox box(ToBoxIcon(nIcon), strCaption, strText, QMessageBox::Yes | QMessageBox::No,
                    m_pParent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void CMessageBoxPrompt::Tell(const QString& strText, const QString& strCaption, EIcon nIcon) {
    QMessageBox box(ToBoxIcon(nIcon), strCaption, strText, QMessageBox::Ok, m_pParent);
    box.exec();
}
