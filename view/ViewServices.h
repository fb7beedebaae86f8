// What the result view and its row actions reach the desktop through. Whoever creates the view
// hands these in and keeps the objects alive as long as the view; tests hand in doubles.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

#include "Removal.h"

class IPrompt;
class QWidget;

// Opening files with the desktop's applications.
class IFileLauncher {
public:
    virtual ~IFileLauncher() = default;
    // The application that opens files of the first of these MIME types that has one (a type
    // before its ancestors); empty when there is none.
    virtual QString FindDefaultApplication(const QStringList& mimeTypes) = 0;
    // Hands the file (exact path bytes) to the desktop; false when nothing could be started.
    virtual bool OpenFile(const std::string& strPath) = 0;
};

struct CViewServices {
    IPrompt* pPrompt = nullptr;
    IFileLauncher* pLauncher = nullptr;
    IFileRemover* pRemover = nullptr;
    ITrash* pTrash = nullptr;
    // A progress display for one change of files over this window; strActing says what is done
    // after the check ("" for a delete, which tells the Trash from a delete for good itself).
    std::function<std::unique_ptr<IDeleteProgress>(QWidget* pParent, const QString& strActing)>
        fnMakeProgress;
    // Shift as the keyboard has it at this moment (not as the last key event had it).
    std::function<bool()> fnIsShiftDown;
};
