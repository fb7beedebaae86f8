#include "UndoDelete.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QItemSelectionModel>
#include <cerrno>
#include <unordered_set>

#include "Trash.h"

namespace {

// Makes the folders of strFolder that are missing, with the modes the user's umask gives.
int MakeFolders(const std::string& strFolder) {
    for (std::size_t nPos = 1; nPos <= strFolder.size(); ++nPos) {
        if (nPos < strFolder.size() && strFolder[nPos] != '/') continue;
        const std::string strPart = strFolder.substr(0, nPos);
        struct stat st;
        if (stat(strPart.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return ENOTDIR;
            continue;
        }
        if (errno != ENOENT) return errno;
        if (mkdir(strPart.c_str(), 0777) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

// T/files/NAME belongs with T/info/NAME.trashinfo; "" for a path that is not so placed.
std::string InfoFileOf(const std::string& strTrashed) {
    const std::size_t nSlash = strTrashed.rfind('/');
    static const std::string FILES = "/files";
    if (nSlash == std::string::npos || nSlash < FILES.size() ||
        strTrashed.compare(nSlash - FILES.size(), FILES.size(), FILES) != 0)
        return std::string();
    return strTrashed.substr(0, nSlash - FILES.size()) + "/info/" + strTrashed.substr(nSlash + 1) +
           ".trashinfo";
}

std::int64_t Nanoseconds(const timespec& ts) {
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

CTrashedFile Identify(const std::string& strOriginal, const std::string& strTrashed,
                      const struct stat& st) {
    return {strOriginal,
            strTrashed,
            static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            Nanoseconds(st.st_mtim),
            Nanoseconds(st.st_ctim)};
}

}  // namespace

int RestoreFromTrash(const CTrashedFile& file) {
    struct stat st;
    if (lstat(file.strTrashed.c_str(), &st) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? ENOENT : errno;
    const CTrashedFile now = Identify(file.strOriginal, file.strTrashed, st);
    if (now.nDev != file.nDev || now.nIno != file.nIno || now.nSize != file.nSize ||
        now.nModifiedNs != file.nModifiedNs || now.nChangedNs != file.nChangedNs)
        return ENOENT;

    const std::size_t nSlash = file.strOriginal.rfind('/');
    if (nSlash != std::string::npos && nSlash > 0) {
        if (const int nError = MakeFolders(file.strOriginal.substr(0, nSlash)))
            return nError == ENOTDIR ? EEXIST : nError;
    }
    if (const int nError = MoveNoReplace(file.strTrashed, file.strOriginal)) return nError;
    const std::string strInfo = InfoFileOf(file.strTrashed);
    if (!strInfo.empty()) unlink(strInfo.c_str());
    return 0;
}

void CDeleteJournal::RecordTrashDelete(
    const CResultModel& model, const std::vector<std::pair<std::string, std::string>>& moved) {
    std::vector<CTrashedFile> files;
    std::unordered_set<std::string_view> originals;
    for (const auto& [strOriginal, strTrashed] : moved) {
        struct stat st;
        if (strTrashed.empty() || lstat(strTrashed.c_str(), &st) != 0) continue;
        files.push_back(Identify(strOriginal, strTrashed, st));
    }
    if (files.empty()) return;
    for (const CTrashedFile& file : files) originals.insert(file.strOriginal);

    std::vector<CResultItem> rows;
    for (int i = 0; i < model.GetRowCount(); ++i) {
        const CResultItem& item = model.GetItem(i);
        if (originals.count(item.m_strSourcePath)) rows.push_back(item);
    }
    m_files = std::move(files);
    m_rows = std::move(rows);
    emit Changed();
}

void CDeleteJournal::Forget() {
    if (m_files.empty() && m_rows.empty()) return;
    m_files.clear();
    m_rows.clear();
    emit Changed();
}

CDeleteJournal::COutcome CDeleteJournal::Undo(CResultModel& model) {
    COutcome outcome;
    std::unordered_set<std::string_view> restored;
    for (const CTrashedFile& file : m_files) {
        const int nError = RestoreFromTrash(file);
        if (nError == 0) {
            ++outcome.nRestored;
            restored.insert(file.strOriginal);
        } else {
            outcome.failures.push_back({file.strOriginal, nError});
        }
    }

    std::vector<CResultItem> back;
    for (CResultItem& item : m_rows)
        if (restored.count(item.m_strSourcePath)) back.push_back(std::move(item));
    outcome.nRowsBack = static_cast<int>(back.size());
    if (!back.empty()) {
        const int nFirst = model.GetRowCount();
        model.AppendItems(std::move(back));
        QItemSelectionModel* pSelection = model.GetSelectionModel();
        pSelection->clearSelection();
        pSelection->select(QItemSelection(model.index(nFirst, 0),
                                          model.index(model.GetRowCount() - 1, COL_COUNT - 1)),
                           QItemSelectionModel::Select);
    }

    m_files.clear();
    m_rows.clear();
    emit Changed();
    return outcome;
}

CDeleteJournal& DeleteJournalOf(CResultModel& model) {
    auto* pJournal = model.findChild<CDeleteJournal*>(QString(), Qt::FindDirectChildrenOnly);
    if (!pJournal) pJournal = new CDeleteJournal(&model);
    return *pJournal;
}
