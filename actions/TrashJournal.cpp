#include "TrashJournal.h"

#include <sys/stat.h>

bool CTrashJournal::Record(const std::vector<std::pair<std::string, std::string>>& moved) {
    std::vector<CTrashedFile> files;
    for (const auto& [strOriginal, strTrashed] : moved) {
        struct stat st;
        if (strTrashed.empty() || lstat(strTrashed.c_str(), &st) != 0) continue;
        files.push_back(IdentifyTrashedFile(strOriginal, strTrashed, st));
    }
    if (files.empty()) return false;
    m_files = std::move(files);
    return true;
}

CTrashJournal::COutcome CTrashJournal::Restore(ITrash& trash) {
    COutcome outcome;
    for (const CTrashedFile& file : m_files) {
        if (const int nError = trash.Restore(file))
            outcome.failures.push_back({file.strOriginal, nError});
        else
            outcome.restored.push_back(file.strOriginal);
    }
    m_files.clear();
    return outcome;
}
