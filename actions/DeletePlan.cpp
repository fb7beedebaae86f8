#include "DeletePlan.h"

#include <sys/stat.h>

#include <cerrno>
#include <unordered_set>

#include "DuplicateSets.h"

namespace {

constexpr std::uint32_t NONE = UINT32_MAX;

enum EFileState : std::uint8_t { STATE_UNKNOWN, STATE_GONE, STATE_CHANGED, STATE_INTACT };

struct CFile {
    std::string_view strPath;
    std::uint64_t nSize;
    std::int64_t tModified;
    EFileState nState = STATE_UNKNOWN;
    bool bSelected = false;          // the source of a selected row
    bool bReference = false;         // under a reference folder: never deleted
    bool bTargetOfUnselected = false;
    bool bDelete = false;
    std::uint64_t nDev = 0, nIno = 0;
};

struct CIdentityHash {
    std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& id) const {
        return std::hash<std::uint64_t>()(id.first * 0x9E3779B97F4A7C15ull ^ id.second);
    }
};

class CPlanner {
public:
    explicit CPlanner(const std::vector<CPlanRow>& rows) : m_sets(rows.size() * 2) {
        m_files.reserve(rows.size() * 2);
        std::vector<std::pair<std::uint32_t, std::uint32_t>> ids;
        ids.reserve(rows.size());
        for (const CPlanRow& row : rows) {
            const std::uint32_t nSource = Intern(row.strSource, row.nSize, row.tSource);
            const std::uint32_t nTarget = Intern(row.strTarget, row.nSize, row.tTarget);
            m_sets.Union(nSource, nTarget);
            // Any row that calls a file a reference file protects it, whatever the others say.
            m_files[nSource].bReference |= row.bSourceReference;
            m_files[nTarget].bReference |= row.bTargetReference;
            ids.emplace_back(nSource, nTarget);
        }
        std::vector<char> counted(m_files.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto [nSource, nTarget] = ids[i];
            CFile& source = m_files[nSource];
            if (rows[i].bSelected && source.bReference) {
                m_nReference += !counted[nSource];
                counted[nSource] = 1;
            }
            if (rows[i].bSelected && !source.bReference) {
                if (!source.bSelected) m_order.push_back(nSource);
                source.bSelected = true;
            } else {
                m_files[nTarget].bTargetOfUnselected = true;
            }
        }
    }

    CDeletePlan Plan() {
        CDeletePlan plan;
        plan.nReference = m_nReference;
        std::unordered_set<std::pair<std::uint64_t, std::uint64_t>, CIdentityHash> deleting;
        std::vector<char> touched(m_files.size());
        for (std::uint32_t nId : m_order) {
            CFile& file = m_files[nId];
            const EFileState nState = State(nId);
            if (nState == STATE_CHANGED) ++plan.nChanged;
            if (nState != STATE_INTACT) continue;
            file.bDelete = true;
            deleting.insert({file.nDev, file.nIno});
            touched[Find(nId)] = 1;
        }

        // Per touched set: does a copy stay, and did the selection hold every member?
        std::vector<char> survives(m_files.size()), outsideSelection(m_files.size());
        std::vector<std::uint32_t> stayer(m_files.size(), NONE);
        for (std::uint32_t nId = 0; nId < m_files.size(); ++nId) {
            const std::uint32_t nRoot = Find(nId);
            if (!touched[nRoot] || m_files[nId].bDelete) continue;
            if (!m_files[nId].bSelected) outsideSelection[nRoot] = 1;
            if (survives[nRoot] || State(nId) != STATE_INTACT) continue;
            const CFile& file = m_files[nId];
            if (!deleting.count({file.nDev, file.nIno})) {
                survives[nRoot] = 1;
                stayer[nRoot] = nId;
            }
        }

        // Sets with no copy left: keep the target of an unselected row, else the first file.
        std::vector<std::uint32_t> keeper(m_files.size(), NONE);
        for (std::uint32_t nId : m_order) {
            const CFile& file = m_files[nId];
            const std::uint32_t nRoot = Find(nId);
            if (!file.bDelete || survives[nRoot]) continue;
            std::uint32_t& nKeep = keeper[nRoot];
            if (nKeep == NONE ||
                (file.bTargetOfUnselected && !m_files[nKeep].bTargetOfUnselected))
                nKeep = nId;
        }
        for (std::uint32_t nId : m_order) {
            const CFile& file = m_files[nId];
            if (!file.bDelete) continue;
            const std::uint32_t nRoot = Find(nId);
            if (keeper[nRoot] == nId) {
                plan.kept.emplace_back(file.strPath);
                ++(outsideSelection[nRoot] ? plan.nKeptCopiesGone : plan.nKeptLastCopy);
            } else {
                plan.paths.emplace_back(file.strPath);
                const std::uint32_t nStays = survives[nRoot] ? stayer[nRoot] : keeper[nRoot];
                plan.stays.emplace_back(m_files[nStays].strPath);
                plan.sizes.push_back(file.nSize);
            }
        }
        return plan;
    }

private:
    std::uint32_t Intern(std::string_view strPath, std::uint64_t nSize, std::int64_t tModified) {
        const std::uint32_t nId = m_sets.Intern(strPath);
        if (nId == m_files.size()) {
            CFile file;
            file.strPath = strPath;
            file.nSize = nSize;
            file.tModified = tModified;
            m_files.push_back(file);
        }
        return nId;
    }

    std::uint32_t Find(std::uint32_t nId) { return m_sets.Find(nId); }

    // Looked at once: the file as the search found it, changed, or gone.
    EFileState State(std::uint32_t nId) {
        CFile& file = m_files[nId];
        if (file.nState != STATE_UNKNOWN) return file.nState;
        const std::string strPath(file.strPath);
        struct stat st;
        if (lstat(strPath.c_str(), &st) != 0) {
            file.nState = (errno == ENOENT || errno == ENOTDIR) ? STATE_GONE : STATE_CHANGED;
        } else {
            file.nDev = st.st_dev;
            file.nIno = st.st_ino;
            const bool bSame = S_ISREG(st.st_mode) &&
                               static_cast<std::uint64_t>(st.st_size) == file.nSize &&
                               static_cast<std::int64_t>(st.st_mtime) == file.tModified;
            file.nState = bSame ? STATE_INTACT : STATE_CHANGED;
        }
        return file.nState;
    }

    CDuplicateSets m_sets;
    std::vector<CFile> m_files;  // by the id the sets give
    std::vector<std::uint32_t> m_order;  // selected sources, in row order
    int m_nReference = 0;                // selected sources that are reference files
};

}  // namespace

CDeletePlan PlanDelete(const std::vector<CPlanRow>& rows) { return CPlanner(rows).Plan(); }
