// The real desktop behind the view's services: applications from the XDG association files,
// the user's Trash, unlink, message boxes, a progress dialog and the keyboard's Shift state.
#pragma once

#include <QUrl>

#include "Prompt.h"
#include "Removal.h"
#include "ViewServices.h"

class CDesktopLauncher : public IFileLauncher {
public:
    // From mimeapps.list and the installed desktop files of the XDG folders.
    QString FindDefaultApplication(const QStringList& mimeTypes) override;
    // Through a file: URL that carries the exact bytes percent-encoded, so a name that is not
    // valid UTF-8 reaches the application unchanged.
    bool OpenFile(const std::string& strPath) override;
};

// A file: URL for the exact path bytes: every byte that is not plain is percent-encoded, which
// QUrl keeps as it is where the bytes are not UTF-8.
QUrl FileUrlOf(const std::string& strPath);

// Owns the real services; they live as long as this object. Not copyable: the services
// point into it.
class CDesktopServices {
public:
    // Questions as message boxes over pPromptParent.
    explicit CDesktopServices(QWidget* pPromptParent = nullptr);
    CDesktopServices(const CDesktopServices&) = delete;
    CDesktopServices& operator=(const CDesktopServices&) = delete;

    CViewServices Services();

private:
    CMessageBoxPrompt m_prompt;
    CDesktopLauncher m_launcher;
    CFileRemover m_remover;
    CXdgTrash m_trash;
};
