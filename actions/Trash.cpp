#include "Trash.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int MAX_NAME_TRIES = 10000;
// A Trash entry's name plus ".trashinfo" must fit one file name.
constexpr std::size_t MAX_ENTRY_NAME = 255 - 10;

std::string FolderOf(const std::string& strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos) return ".";
    return nSlash == 0 ? std::string("/") : strPath.substr(0, nSlash);
}

std::string NameOf(const std::string& strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

// Creates the folder with mode 0700 unless it exists; then it must be a real folder.
bool EnsureDir(const std::string& strDir) {
    if (mkdir(strDir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st;
    return lstat(strDir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EnsureDirs(const std::string& strDir) {
    for (std::size_t nPos = 1; (nPos = strDir.find('/', nPos)) != std::string::npos; ++nPos) {
        const std::string strPart = strDir.substr(0, nPos);
        struct stat st;
        if (stat(strPart.c_str(), &st) != 0 && mkdir(strPart.c_str(), 0700) != 0 &&
            errno != EEXIST)
            return false;
    }
    return EnsureDir(strDir);
}

// The device that the folder lives on, or would live on once created.
bool DeviceOf(std::string strDir, dev_t& nDev) {
    struct stat st;
    while (stat(strDir.c_str(), &st) != 0) {
        if (errno != ENOENT || strDir == "/") return false;
        strDir = FolderOf(strDir);
    }
    nDev = st.st_dev;
    return true;
}

// The mount point above strFolder: the highest folder of its chain still on nDev.
std::string MountPointOf(std::string strFolder, dev_t nDev) {
    while (strFolder != "/") {
        const std::string strParent = FolderOf(strFolder);
        struct stat st;
        if (stat(strParent.c_str(), &st) != 0 || st.st_dev != nDev) break;
        strFolder = strParent;
    }
    return strFolder;
}

// $topdir/.Trash/$uid when an administrator prepared a shared .Trash (a sticky folder, not a
// link), else $topdir/.Trash-$uid, created for this user. "" when neither can be used.
std::string TopdirTrash(const std::string& strTop) {
    const std::string strBase = strTop == "/" ? std::string() : strTop;
    const std::string strUid = std::to_string(getuid());
    struct stat st;
    const std::string strShared = strBase + "/.Trash";
    if (lstat(strShared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const std::string strMine = strShared + "/" + strUid;
        if (EnsureDir(strMine) && lstat(strMine.c_str(), &st) == 0 && st.st_uid == getuid())
            return strMine;
    }
    const std::string strOwn = strBase + "/.Trash-" + strUid;
    if (EnsureDir(strOwn) && lstat(strOwn.c_str(), &st) == 0 && st.st_uid == getuid())
        return strOwn;
    return std::string();
}

// "name", then "name.2.ext", "name.3.ext"... (the extension stays last so the type shows).
std::string NumberedName(const std::string& strName, int nTry) {
    if (nTry == 1) return strName;
    const std::size_t nDot = strName.rfind('.');
    const bool bExt = nDot != std::string::npos && nDot > 0;
    const std::string strStem = bExt ? strName.substr(0, nDot) : strName;
    const std::string strExt = bExt ? strName.substr(nDot) : std::string();
    return strStem + "." + std::to_string(nTry) + strExt;
}

// Cuts a long name so that numbered variants and ".trashinfo" still fit, at a character
// boundary of UTF-8 text.
std::string ShortenName(std::string strName) {
    constexpr std::size_t nRoom = MAX_ENTRY_NAME - 8;
    if (strName.size() <= nRoom) return strName;
    std::size_t nCut = nRoom;
    while (nCut > 0 && (static_cast<unsigned char>(strName[nCut]) & 0xC0) == 0x80) --nCut;
    strName.resize(nCut);
    return strName;
}

bool WriteAll(int fd, const std::string& strData) {
    std::size_t nDone = 0;
    while (nDone < strData.size()) {
        const ssize_t n = write(fd, strData.data() + nDone, strData.size() - nDone);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        nDone += static_cast<std::size_t>(n);
    }
    return true;
}

std::string DeletionDate() {
    const std::time_t tNow = std::time(nullptr);
    std::tm tmLocal{};
    localtime_r(&tNow, &tmLocal);
    char sz[32];
    std::strftime(sz, sizeof sz, "%Y-%m-%dT%H:%M:%S", &tmLocal);
    return sz;
}

// Moves the file into strTrash (which has or gets files/ and info/), recording strInfoPath.
int MoveInto(const std::string& strTrash, const std::string& strPath,
             const std::string& strInfoPath, std::string* pTrashedAs) {
    const std::string strFiles = strTrash + "/files";
    const std::string strInfo = strTrash + "/info";
    if (!EnsureDirs(strTrash) || !EnsureDir(strFiles) || !EnsureDir(strInfo))
        return errno ? errno : EIO;

    const std::string strContents = "[Trash Info]\nPath=" + EncodeTrashPath(strInfoPath) +
                                    "\nDeletionDate=" + DeletionDate() + "\n";
    std::string strName = ShortenName(NameOf(strPath));
    for (int nTry = 1; nTry <= MAX_NAME_TRIES; ++nTry) {
        const std::string strEntry = NumberedName(strName, nTry);
        const std::string strTarget = strFiles + "/" + strEntry;
        // The info file reserves the name: O_EXCL makes two deletes of equal names pick two.
        // A name taken in files/ alone is found by the move, which never replaces.
        const std::string strInfoFile = strInfo + "/" + strEntry + ".trashinfo";
        const int fd = open(strInfoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        const bool bWritten = WriteAll(fd, strContents);
        int nError = bWritten ? 0 : errno;
        if (close(fd) != 0 && nError == 0) nError = errno;
        if (nError == 0) nError = MoveNoReplace(strPath, strTarget);
        if (nError == 0) {
            if (pTrashedAs) *pTrashedAs = strTarget;
            return 0;
        }
        unlink(strInfoFile.c_str());
        if (nError != EEXIST) return nError;
    }
    return EEXIST;
}

}  // namespace

std::string GetHomeTrashDir() {
    const char* pszData = std::getenv("XDG_DATA_HOME");
    if (pszData && pszData[0] == '/') return std::string(pszData) + "/Trash";
    const char* pszHome = std::getenv("HOME");
    std::string strHome = pszHome ? pszHome : "";
    if (strHome.empty()) {
        if (const passwd* pw = getpwuid(getuid())) strHome = pw->pw_dir;
    }
    return strHome + "/.local/share/Trash";
}

std::string EncodeTrashPath(const std::string& strPath) {
    static const char HEX[] = "0123456789ABCDEF";
    std::string strOut;
    strOut.reserve(strPath.size());
    for (const char ch : strPath) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool bPlain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
                            c == '~' || c == '/';
        if (bPlain) {
            strOut += ch;
        } else {
            strOut += '%';
            strOut += HEX[c >> 4];
            strOut += HEX[c & 15];
        }
    }
    return strOut;
}

int MoveNoReplace(const std::string& strFrom, const std::string& strTo) {
    if (renameat2(AT_FDCWD, strFrom.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without that flag: a hard link fails where a name is taken, as wanted.
    if (link(strFrom.c_str(), strTo.c_str()) == 0) {
        unlink(strFrom.c_str());
        return 0;
    }
    if (errno == EEXIST) return EEXIST;
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return errno;
    // Nor hard links (FAT): the name was free a moment ago; a plain rename is all there is.
    struct stat st;
    if (lstat(strTo.c_str(), &st) == 0) return EEXIST;
    return rename(strFrom.c_str(), strTo.c_str()) == 0 ? 0 : errno;
}

std::string PathBelowTop(const std::string& strAbsolute, const std::string& strTop) {
    return strTop == "/" ? strAbsolute.substr(1) : strAbsolute.substr(strTop.size() + 1);
}

int MoveToTopdirTrash(const std::string& strAbsolute, const std::string& strTop,
                      std::string* pTrashedAs) {
    const std::string strTrash = TopdirTrash(strTop);
    if (strTrash.empty()) return EXDEV;
    return MoveInto(strTrash, strAbsolute, PathBelowTop(strAbsolute, strTop), pTrashedAs);
}

int MoveToTrash(const std::string& strPath, const std::string& strHomeTrash,
                std::string* pTrashedAs) {
    if (strPath.empty()) return ENOENT;
    std::string strAbsolute = strPath;
    if (strAbsolute[0] != '/') {
        char szCwd[4096];
        if (!getcwd(szCwd, sizeof szCwd)) return errno;
        strAbsolute = std::string(szCwd) + "/" + strAbsolute;
    }
    struct stat st;
    if (lstat(strAbsolute.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;

    dev_t nHomeDev;
    if (DeviceOf(strHomeTrash, nHomeDev) && nHomeDev == st.st_dev)
        return MoveInto(strHomeTrash, strAbsolute, strAbsolute, pTrashedAs);

    return MoveToTopdirTrash(strAbsolute, MountPointOf(FolderOf(strAbsolute), st.st_dev),
                             pTrashedAs);
}
