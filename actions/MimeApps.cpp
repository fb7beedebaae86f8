#include "MimeApps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>

namespace {

using CIdList = std::vector<std::string>;
using CTypeMap = std::map<std::string, CIdList>;

struct CMimeAppsList {
    CTypeMap defaults;
    CTypeMap added;
    CTypeMap removed;
};

struct CDesktopEntry {
    bool bUsable = false;
    std::vector<std::string> mimeTypes;
};

std::string Trim(const std::string& s) {
    const std::size_t nFirst = s.find_first_not_of(" \t\r");
    if (nFirst == std::string::npos) return std::string();
    const std::size_t nLast = s.find_last_not_of(" \t\r");
    return s.substr(nFirst, nLast - nFirst + 1);
}

std::vector<std::string> SplitList(const std::string& s, char cSep) {
    std::vector<std::string> parts;
    std::size_t nStart = 0;
    while (nStart <= s.size()) {
        std::size_t nEnd = s.find(cSep, nStart);
        if (nEnd == std::string::npos) nEnd = s.size();
        std::string strPart = Trim(s.substr(nStart, nEnd - nStart));
        if (!strPart.empty()) parts.push_back(std::move(strPart));
        nStart = nEnd + 1;
    }
    return parts;
}

// Calls fn(group, key, value) for every entry of an ini-style freedesktop file. Keys with a
// locale ("Name[de]") are passed as they stand.
template <typename F>
bool ReadKeyFile(const std::string& strPath, F fn) {
    std::ifstream in(strPath);
    if (!in) return false;
    std::string strLine, strGroup;
    while (std::getline(in, strLine)) {
        const std::string strTrimmed = Trim(strLine);
        if (strTrimmed.empty() || strTrimmed[0] == '#') continue;
        if (strTrimmed.front() == '[' && strTrimmed.back() == ']') {
            strGroup = strTrimmed.substr(1, strTrimmed.size() - 2);
            continue;
        }
        const std::size_t nEq = strTrimmed.find('=');
        if (nEq == std::string::npos) continue;
        fn(strGroup, Trim(strTrimmed.substr(0, nEq)), Trim(strTrimmed.substr(nEq + 1)));
    }
    return true;
}

bool IsExecutable(const std::string& strPath) {
    struct stat st;
    return stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           access(strPath.c_str(), X_OK) == 0;
}

bool ProgramExists(const std::string& strProgram) {
    if (strProgram.find('/') != std::string::npos) return IsExecutable(strProgram);
    const char* pszPath = std::getenv("PATH");
    for (const std::string& strDir : SplitList(pszPath ? pszPath : "/usr/bin:/bin", ':'))
        if (IsExecutable(strDir + "/" + strProgram)) return true;
    return false;
}

CDesktopEntry ReadDesktopEntry(const std::string& strPath) {
    CDesktopEntry entry;
    bool bHidden = false, bApplication = true, bExec = false, bTryExecMissing = false;
    ReadKeyFile(strPath, [&](const std::string& strGroup, const std::string& strKey,
                             const std::string& strValue) {
        if (strGroup != "Desktop Entry") return;
        if (strKey == "Hidden") bHidden = strValue == "true";
        else if (strKey == "Type") bApplication = strValue == "Application";
        else if (strKey == "Exec") bExec = !strValue.empty();
        else if (strKey == "DBusActivatable") bExec = bExec || strValue == "true";
        else if (strKey == "TryExec") bTryExecMissing = !ProgramExists(strValue);
        else if (strKey == "MimeType") entry.mimeTypes = SplitList(strValue, ';');
    });
    entry.bUsable = !bHidden && bApplication && bExec && !bTryExecMissing;
    return entry;
}

bool IsDir(const std::string& strPath) {
    struct stat st;
    return stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The file of desktop id strId below strDir: "a-b-c.desktop" may be a-b-c.desktop, a/b-c.desktop,
// a/b/c.desktop or a-b/c.desktop.
std::optional<std::string> ResolveId(const std::string& strDir, const std::string& strId) {
    const std::string strDirect = strDir + "/" + strId;
    struct stat st;
    if (stat(strDirect.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return strDirect;
    for (std::size_t nDash = strId.find('-'); nDash != std::string::npos;
         nDash = strId.find('-', nDash + 1)) {
        const std::string strSub = strDir + "/" + strId.substr(0, nDash);
        if (!IsDir(strSub)) continue;
        if (auto found = ResolveId(strSub, strId.substr(nDash + 1))) return found;
    }
    return std::nullopt;
}

class CAssociations {
public:
    explicit CAssociations(const CXdgDirs& dirs) {
        std::vector<std::string> listDirs;
        listDirs.push_back(dirs.strConfigHome);
        listDirs.insert(listDirs.end(), dirs.configDirs.begin(), dirs.configDirs.end());
        m_appDirs.push_back(dirs.strDataHome + "/applications");
        for (const std::string& strDir : dirs.dataDirs) m_appDirs.push_back(strDir + "/applications");
        listDirs.insert(listDirs.end(), m_appDirs.begin(), m_appDirs.end());

        for (const std::string& strDir : listDirs) {
            if (strDir.empty()) continue;
            for (const std::string& strDesktop : dirs.desktops)
                ReadList(strDir + "/" + strDesktop + "-mimeapps.list");
            ReadList(strDir + "/mimeapps.list");
        }
    }

    std::string Find(const std::string& strType) {
        std::set<std::string> removed;
        for (const CMimeAppsList& list : m_lists) {
            if (auto it = list.removed.find(strType); it != list.removed.end())
                removed.insert(it->second.begin(), it->second.end());
        }
        // A default names the user's choice, so it stands even where an association was removed.
        for (const CMimeAppsList& list : m_lists) {
            if (auto it = list.defaults.find(strType); it != list.defaults.end())
                for (const std::string& strId : it->second)
                    if (IsUsable(strId)) return strId;
        }
        for (const CMimeAppsList& list : m_lists) {
            if (auto it = list.added.find(strType); it != list.added.end())
                for (const std::string& strId : it->second)
                    if (!removed.count(strId) && IsUsable(strId)) return strId;
        }
        ScanInstalled();
        if (auto it = m_declared.find(strType); it != m_declared.end())
            for (const std::string& strId : it->second)
                if (!removed.count(strId)) return strId;
        return std::string();
    }

private:
    void ReadList(const std::string& strPath) {
        CMimeAppsList list;
        const bool bRead = ReadKeyFile(strPath, [&](const std::string& strGroup,
                                                    const std::string& strKey,
                                                    const std::string& strValue) {
            CTypeMap* pMap = strGroup == "Default Applications"   ? &list.defaults
                             : strGroup == "Added Associations"   ? &list.added
                             : strGroup == "Removed Associations" ? &list.removed
                                                                  : nullptr;
            if (!pMap) return;
            CIdList& ids = (*pMap)[strKey];
            for (std::string& strId : SplitList(strValue, ';')) ids.push_back(std::move(strId));
        });
        if (bRead) m_lists.push_back(std::move(list));
    }

    // An id belongs to the first applications folder that has it, also when that copy is Hidden:
    // that is how a user hides a system application.
    const CDesktopEntry& Entry(const std::string& strId) {
        auto it = m_entries.find(strId);
        if (it != m_entries.end()) return it->second;
        CDesktopEntry entry;
        for (const std::string& strDir : m_appDirs) {
            if (auto path = ResolveId(strDir, strId)) {
                entry = ReadDesktopEntry(*path);
                break;
            }
        }
        return m_entries.emplace(strId, std::move(entry)).first->second;
    }

    bool IsUsable(const std::string& strId) { return Entry(strId).bUsable; }

    // Every installed application by the types it declares, in folder precedence.
    void ScanInstalled() {
        if (m_bScanned) return;
        m_bScanned = true;
        namespace fs = std::filesystem;
        std::set<std::string> seen;
        for (const std::string& strDir : m_appDirs) {
            std::error_code ec;
            std::vector<std::string> ids;
            for (fs::recursive_directory_iterator it(strDir, ec), end; !ec && it != end;
                 it.increment(ec)) {
                if (!it->is_regular_file(ec) || it->path().extension() != ".desktop") continue;
                std::string strId = fs::relative(it->path(), strDir, ec).string();
                std::replace(strId.begin(), strId.end(), '/', '-');
                ids.push_back(std::move(strId));
            }
            std::sort(ids.begin(), ids.end());
            for (const std::string& strId : ids) {
                if (!seen.insert(strId).second) continue;
                const CDesktopEntry& entry = Entry(strId);
                if (!entry.bUsable) continue;
                for (const std::string& strType : entry.mimeTypes) m_declared[strType].push_back(strId);
            }
        }
    }

    std::vector<CMimeAppsList> m_lists;  // highest precedence first
    std::vector<std::string> m_appDirs;
    std::map<std::string, CDesktopEntry> m_entries;
    CTypeMap m_declared;
    bool m_bScanned = false;
};

std::string EnvOr(const char* pszName, const std::string& strDefault) {
    const char* psz = std::getenv(pszName);
    return (psz && psz[0] == '/') ? std::string(psz) : strDefault;
}

std::vector<std::string> EnvListOr(const char* pszName, const std::string& strDefault) {
    const char* psz = std::getenv(pszName);
    std::vector<std::string> dirs;
    for (std::string& strDir : SplitList(psz && *psz ? psz : strDefault, ':'))
        if (strDir[0] == '/') dirs.push_back(std::move(strDir));
    return dirs;
}

}  // namespace

CXdgDirs CXdgDirs::FromEnvironment() {
    const char* pszHome = std::getenv("HOME");
    const std::string strHome = pszHome ? pszHome : "";
    CXdgDirs dirs;
    dirs.strConfigHome = EnvOr("XDG_CONFIG_HOME", strHome + "/.config");
    dirs.configDirs = EnvListOr("XDG_CONFIG_DIRS", "/etc/xdg");
    dirs.strDataHome = EnvOr("XDG_DATA_HOME", strHome + "/.local/share");
    dirs.dataDirs = EnvListOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    const char* pszDesktop = std::getenv("XDG_CURRENT_DESKTOP");
    for (std::string& strName : SplitList(pszDesktop ? pszDesktop : "", ':')) {
        std::transform(strName.begin(), strName.end(), strName.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        dirs.desktops.push_back(std::move(strName));
    }
    return dirs;
}

std::string FindDefaultApplication(const std::vector<std::string>& mimeTypes,
                                   const CXdgDirs& dirs) {
    CAssociations associations(dirs);
    for (const std::string& strType : mimeTypes) {
        std::string strId = associations.Find(strType);
        if (!strId.empty()) return strId;
    }
    return std::string();
}
