#include "DirDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace {

QString BrowseWithFileDialog(QWidget* pOwner, const QString& strCaption, const QString& strPrompt) {
    QFileDialog dlg(pOwner, strCaption, QDir::homePath());
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    dlg.setLabelText(QFileDialog::LookIn, strPrompt);
    if (dlg.exec() != QDialog::Accepted) return {};
    const QStringList selected = dlg.selectedFiles();
    return selected.isEmpty() ? QString() : selected.first();
}

}  // namespace

FBrowseFolder g_fnBrowseFolder = BrowseWithFileDialog;

int CDirDialog::DoBrowse(QWidget* pOwner) {
    const QString strChosen =
        g_fnBrowseFolder ? g_fnBrowseFolder(pOwner, m_strWindowTitle, m_strTitle) : QString();
    if (strChosen.isEmpty()) return 0;
    m_strSelDir = QFile::encodeName(strChosen);
    return 1;
}
