// Undo of the last delete that went to the Trash: the files go back to where they were (only
// where nothing stands now), and their rows come back into the result list.
#pragma once

#include <QObject>
#include <cstdint>
#include <string>
#include <vector>

#include "ResultModel.h"

// One file that a delete moved to the Trash.
struct CTrashedFile {
    std::string strOriginal;  // where it was
    std::string strTrashed;   // where it is now, inside a Trash's files/ folder
    // The file as it lies in the Trash, so that another file given the same name there later
    // is never taken for it (a new file may even get the freed inode number).
    std::uint64_t nDev = 0;
    std::uint64_t nIno = 0;
    std::uint64_t nSize = 0;
    std::int64_t nModifiedNs = 0;
    std::int64_t nChangedNs = 0;
};

// Moves a trashed file back to its original path and removes its .trashinfo entry. Never
// replaces anything: EEXIST when something stands at the original path; ENOENT when the file
// is no longer in the Trash (or another file took its name there). Folders of the original path
// that are gone are made again. Returns 0 or an errno value.
int RestoreFromTrash(const CTrashedFile& file);

class CDeleteJournal : public QObject {
    Q_OBJECT
public:
    explicit CDeleteJournal(QObject* pParent = nullptr) : QObject(pParent) {}

    bool CanUndo() const { return !m_files.empty(); }
    const std::vector<CTrashedFile>& GetFiles() const { return m_files; }

    // A delete moved these files (original path, path in the Trash) to the Trash; model still
    // holds the rows it is about to sweep. Replaces what an earlier delete recorded, unless
    // nothing was moved, in which case the earlier record stays.
    void RecordTrashDelete(const CResultModel& model,
                           const std::vector<std::pair<std::string, std::string>>& moved);
    // A delete for good: what went before it can no longer be undone in order.
    void Forget();

    struct CFailure {
        std::string strPath;  // the original path
        int nError;           // as RestoreFromTrash gives it
    };
    struct COutcome {
        int nRestored = 0;
        int nRowsBack = 0;
        std::vector<CFailure> failures;
    };
    // Restores the recorded files and appends the rows of those restored to model, selected.
    // The record is used up, whatever the outcome.
    COutcome Undo(CResultModel& model);

signals:
    // CanUndo may have changed.
    void Changed();

private:
    std::vector<CTrashedFile> m_files;
    std::vector<CResultItem> m_rows;  // the rows whose source is one of m_files, in row order
};

// The journal of a result list: one per model, made on first use and gone with the model.
CDeleteJournal& DeleteJournalOf(CResultModel& model);
