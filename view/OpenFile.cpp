#include "OpenFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QMimeDatabase>

#include "FileInfo.h"
#include "PathText.h"
#include "Prompt.h"
#include "ResTables.h"
#include "ViewServices.h"

namespace {

// The MIME type by name and, for a regular file, its first bytes, read through a descriptor
// opened on the exact path (a QString path could not name every file).
QMimeType MimeTypeOf(const std::string& strPath) {
    QMimeDatabase db;
    const QString strName = DisplayName(strPath);
    const int fd = OpenRegularFile(strPath);
    if (fd < 0) return db.mimeTypeForFile(strName, QMimeDatabase::MatchExtension);
    QMimeType type;
    QFile file;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        type = db.mimeTypeForFileNameAndData(strName, &file);
    close(fd);
    return type.isValid() ? type : db.mimeTypeForFile(strName, QMimeDatabase::MatchExtension);
}

}  // namespace

void OpenFileWithDefaultApplication(const std::string& strPath, IFileLauncher& launcher,
                                    IPrompt& prompt) {
    struct stat st;
    if (lstat(strPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    const QMimeType type = MimeTypeOf(strPath);
    QStringList types{type.name()};
    types += type.allAncestors();
    if (launcher.FindDefaultApplication(types).isEmpty()) {
        prompt.Tell(LoadResString(IDS_NO_ASSOCIATION), LoadResString(AFX_IDS_APP_TITLE),
                    IPrompt::ICON_ERROR);
        return;
    }
    launcher.OpenFile(strPath);
}
