// A modal folder browser: the caption and prompt go in, one chosen folder comes out.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;

// Shows the folder browser and returns the chosen folder, or an empty string when the user
// cancelled. Tests replace it so that no modal dialog opens.
using FBrowseFolder =
    std::function<QString(QWidget* pOwner, const QString& strCaption, const QString& strPrompt)>;
extern FBrowseFolder g_fnBrowseFolder;

class CDirDialog {
public:
    CDirDialog() = default;
    virtual ~CDirDialog() = default;

    // 1 when the user chose a folder (then in m_strSelDir), 0 otherwise.
    int DoBrowse(QWidget* pOwner);

    QString m_strWindowTitle;  // caption
    QString m_strTitle;        // prompt shown in the browser
    QByteArray m_strSelDir;    // the chosen folder, exact bytes
};
