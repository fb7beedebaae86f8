// What the last delete to the Trash moved there, so that Undo Delete can bring it back.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Removal.h"
#include "TrashRestore.h"

class CTrashJournal {
public:
    bool IsEmpty() const { return m_files.empty(); }
    const std::vector<CTrashedFile>& GetFiles() const { return m_files; }

    // A delete moved these files (original path, path in the Trash; "" when not known) to the
    // Trash: each is identified where it lies now. Replaces the earlier record, unless none could
    // be identified: then the earlier record stays and this returns false.
    bool Record(const std::vector<std::pair<std::string, std::string>>& moved);
    void Clear() { m_files.clear(); }

    struct CFailure {
        std::string strPath;  // the original path
        int nError;           // as ITrash::Restore gives it
    };
    struct COutcome {
        std::vector<std::string> restored;  // original paths, in record order
        std::vector<CFailure> failures;
    };
    // Brings every recorded file back through trash; the record is used up, whatever the outcome.
    COutcome Restore(ITrash& trash);

private:
    std::vector<CTrashedFile> m_files;
};
