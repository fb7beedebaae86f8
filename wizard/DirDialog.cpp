#include "DirDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

QString BrowseFolderWithDialog(QWidget* pOwner, const QString& strCaption,
                               const QString& strPrompt) {
    QFileDialog dlg(pOwner, strCaption, QDir::homePath());
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    dlg.setLabelText(QFileDialog::LookIn, strPrompt);
    if (dlg.exec() != QDialog::Accepted) return {};
    const QStringList selected = dlg.selectedFiles();
    return selected.isEmpty() ? QString() : selected.first();
}

int CDirDialog::DoBrowse(QWidget* pOwner) {
    const QString strChosen =
        m_fnBrowse ? m_fnBrowse(pOwner, m_strWindowTitle, m_strTitle) : QString();
    if (strChosen.isEmpty()) return 0;
    m_strSelDir = QFile::encodeName(strChosen);
    return 1;
}
