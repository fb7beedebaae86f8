// A modal folder browser: the caption and prompt go in, one chosen folder comes out.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QWidget;

// Shows a modal folder browser; the chosen folder, or "" when the user cancelled.
using FBrowseFolder =
    std::function<QString(QWidget* pOwner, const QString& strCaption, const QString& strPrompt)>;

// The desktop's folder dialog; the chosen folder, or "" when the user cancelled.
QString BrowseFolderWithDialog(QWidget* pOwner, const QString& strCaption,
                               const QString& strPrompt);

class CDirDialog {
public:
    // Browses with the desktop's folder dialog.
    CDirDialog() = default;
    // Browses with fnBrowse (empty: every browse is cancelled).
    explicit CDirDialog(FBrowseFolder fnBrowse) : m_fnBrowse(std::move(fnBrowse)) {}
    virtual ~CDirDialog() = default;

    // 1 when the user chose a folder (then in m_strSelDir), 0 otherwise.
    int DoBrowse(QWidget* pOwner);

    QString m_strWindowTitle;  // caption
    QString m_strTitle;        // prompt shown in the browser
    QByteArray m_strSelDir;    // the chosen folder, exact bytes

private:
    FBrowseFolder m_fnBrowse = BrowseFolderWithDialog;
};
