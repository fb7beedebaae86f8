// Undo of the last delete that went to the Trash: the files go back to where they were (only
// where nothing stands now), and their rows come back into the result list.
#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "ResultModel.h"
#include "TrashJournal.h"

class CDeleteJournal : public QObject {
    Q_OBJECT
public:
    explicit CDeleteJournal(QObject* pParent = nullptr) : QObject(pParent) {}

    bool CanUndo() const { return !m_trashed.IsEmpty(); }
    const std::vector<CTrashedFile>& GetFiles() const { return m_trashed.GetFiles(); }

    // A delete moved these files (original path, path in the Trash) to the Trash; model still
    // holds the rows it is about to sweep. Replaces what an earlier delete recorded, unless
    // nothing was moved, in which case the earlier record stays.
    void RecordTrashDelete(const CResultModel& model,
                           const std::vector<std::pair<std::string, std::string>>& moved);
    // A delete for good: what went before it can no longer be undone in order.
    void Forget();

    struct COutcome {
        int nRestored = 0;
        int nRowsBack = 0;
        std::vector<CTrashJournal::CFailure> failures;
    };
    // Restores the recorded files through trash and appends the rows of those restored to
    // model, selected. The record is used up, whatever the outcome.
    COutcome Undo(CResultModel& model, ITrash& trash);

signals:
    // CanUndo may have changed.
    void Changed();

private:
    CTrashJournal m_trashed;
    std::vector<CResultItem> m_rows;  // the rows whose source is one of the files, in row order
};

// The journal of a result list: one per model, made on first use and gone with the model.
CDeleteJournal& DeleteJournalOf(CResultModel& model);
