// After the user said Yes: only files found, byte for byte, to be copies of what stays, and
// unchanged since, are removed; a stop ends the delete where it is; failures are told.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <fstream>
#include <functional>

#include "FileHelpers.h"
#include "RemoveCopies.h"
#include "TempTree.h"

namespace {

// Writes new bytes of the same length into a file and puts its modification time back, as a
// change that the size and time alone cannot see.
void Overwrite(const std::string& strPath, const std::string& strBytes) {
    struct stat st {};
    ASSERT_EQ(lstat(strPath.c_str(), &st), 0);
    const int fd = open(strPath.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, strBytes.data(), strBytes.size(), 0), static_cast<ssize_t>(strBytes.size()));
    close(fd);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, strPath.c_str(), times, 0), 0);
}

// Puts a new file with the same bytes in the place of strPath: another file, which the check
// never read.
void ReplaceWithCopy(const std::string& strPath) {
    const std::string strNew = strPath + ".new";
    std::ofstream(strNew, std::ios::binary) << ReadAll(strPath);
    ASSERT_EQ(rename(strNew.c_str(), strPath.c_str()), 0);
}

// A delete's progress that runs a hook once the check is done, before the first removal, and
// answers Cancel from a chosen point of the check or of the removal on.
class CHookedProgress : public IDeleteProgress {
public:
    void Begin(int, bool) override {
        if (fnAfterCheck) fnAfterCheck();
    }
    bool Step(int nDone) override { return nDone < nCancelAtStep; }
    void End() override {}
    bool StepCheck(std::uint64_t nDoneBytes) override { return nDoneBytes < nCancelAtByte; }

    std::function<void()> fnAfterCheck;
    int nCancelAtStep = INT_MAX;
    std::uint64_t nCancelAtByte = UINT64_MAX;
};

// Removes for good, except m_strFail (EACCES: root ignores permissions) and m_strGone (ENOENT,
// as if removed behind the program's back at that moment).
class CScriptedRemover : public IFileRemover {
public:
    int Remove(const std::string& strPath) override {
        if (strPath == m_strFail) return EACCES;
        if (unlink(strPath.c_str()) != 0) return errno;
        return strPath == m_strGone ? ENOENT : 0;
    }
    std::string m_strFail, m_strGone;
};

class RemoveCopiesTest : public ::testing::Test {
protected:
    std::string File(const std::string& strName, const std::string& strBytes) {
        return m_tree.Add(strName, strBytes);
    }
    // Plans the removal of the rows' sources (all rows selected) and carries it out.
    CRemovalOutcome Remove(const std::vector<CResultRow>& rows, bool bToTrash = false) {
        std::vector<CPlanRow> planRows;
        for (const CResultRow& r : rows)
            planRows.push_back({r.m_strSourcePath, r.m_strTargetPath, r.m_nSize, r.m_tSource,
                                r.m_tTarget, true});
        return RemoveCheckedCopies(PlanDelete(planRows), bToTrash, m_remover, m_trash, m_progress);
    }

    CTempTree m_tree;
    CScriptedRemover m_remover;
    CXdgTrash m_trash{m_tree.Path("Trash")};
    CHookedProgress m_progress;
};

}  // namespace

// The check reads both files; if either is another file by the time its turn to go comes, the
// file stays.
TEST_F(RemoveCopiesTest, AFileChangedAfterTheCheckStays) {
    struct CCase {
        const char* pszName;
        std::function<void(const std::string& strGoes, const std::string& strStays)> fnChange;
    } cases[] = {
        {"the file to remove", [](const std::string& a, const std::string&) { ReplaceWithCopy(a); }},
        {"the copy that stays", [](const std::string&, const std::string& b) { ReplaceWithCopy(b); }},
        {"the copy that stays rewritten in place, its time put back",
         [](const std::string&, const std::string& b) { Overwrite(b, "COPY"); }},
        {"the copy that stays removed",
         [](const std::string&, const std::string& b) { ASSERT_EQ(unlink(b.c_str()), 0); }},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const std::string a = File("a", "copy"), b = File("b", "copy");
        m_progress.fnAfterCheck = [&] { c.fnChange(a, b); };
        const CRemovalOutcome outcome = Remove({PairRow(a, b)});
        EXPECT_EQ(ReadAll(a), "copy");
        EXPECT_TRUE(outcome.deleted.empty());
        ASSERT_EQ(outcome.kept.size(), 1u);
        EXPECT_EQ(outcome.kept[0].strPath, a);
        EXPECT_EQ(outcome.kept[0].nVerdict, CHECK_CHANGED);
    }
}

// Cancel during the check removes nothing; during the removal, it stops before the next file.
TEST_F(RemoveCopiesTest, CancelStopsWhereItIs) {
    for (const bool bInCheck : {true, false}) {
        SCOPED_TRACE(bInCheck ? "cancelled in the check" : "cancelled after the first removal");
        const std::string p1 = File("p1", "pp"), p2 = File("p2", "pp");
        const std::string q1 = File("q1", "qq"), q2 = File("q2", "qq"), q3 = File("q3", "qq");
        m_progress.nCancelAtByte = bInCheck ? 1 : UINT64_MAX;
        m_progress.nCancelAtStep = bInCheck ? INT_MAX : 1;
        const CRemovalOutcome outcome = Remove({PairRow(p1, p2), PairRow(q1, q2), PairRow(q1, q3)});
        EXPECT_EQ(outcome.bCancelled, bInCheck);
        EXPECT_EQ(Exists(p1), bInCheck);
        EXPECT_TRUE(Exists(p2) && Exists(q1) && Exists(q2) && Exists(q3));
        EXPECT_EQ(outcome.deleted, bInCheck ? std::vector<std::string>{} : std::vector{p1});
        EXPECT_TRUE(outcome.kept.empty() && outcome.failed.empty());
    }
}

// Each file ends in exactly one list: removed (a file gone at its turn counts), kept with the
// check's reason, or failed with the error; to the Trash, where each went is told.
TEST_F(RemoveCopiesTest, EveryFileIsRemovedKeptOrFailedWithItsReason) {
    const std::string a1 = File("a1", "AA"), a2 = File("a2", "AA");
    const std::string b1 = File("b1", "BB"), b2 = File("b2", "Bb");
    const std::string c1 = File("c1", "CC"), c2 = File("c2", "CC");
    const std::string d1 = File("d1", "DD"), d2 = File("d2", "DD");
    const std::vector<CResultRow> rows = {PairRow(a1, a2), PairRow(b1, b2), PairRow(c1, c2),
                                          PairRow(d1, d2)};
    m_remover.m_strFail = c1;
    m_remover.m_strGone = d1;
    CRemovalOutcome outcome = Remove(rows);
    EXPECT_EQ(outcome.deleted, (std::vector<std::string>{a1, d1}));
    EXPECT_EQ(outcome.trashedAs, (std::vector<std::string>{"", ""}));
    ASSERT_EQ(outcome.kept.size(), 1u);
    EXPECT_EQ(outcome.kept[0].strPath, b1);
    EXPECT_EQ(outcome.kept[0].nVerdict, CHECK_DIFFERENT);
    EXPECT_EQ(outcome.kept[0].strAgainst, b2);
    ASSERT_EQ(outcome.failed.size(), 1u);
    EXPECT_EQ(outcome.failed[0].strPath, c1);
    EXPECT_EQ(outcome.failed[0].nErrno, EACCES);
    EXPECT_TRUE(Exists(b1) && Exists(c1) && Exists(a2) && Exists(b2) && Exists(c2) && Exists(d2));

    // To the Trash: the remover is not asked, and each file's place there is told.
    const std::string e1 = File("e1", "EE"), e2 = File("e2", "EE");
    outcome = Remove({PairRow(c1, c2), PairRow(e1, e2)}, true);
    EXPECT_EQ(outcome.deleted, (std::vector<std::string>{c1, e1}));
    ASSERT_EQ(outcome.trashedAs.size(), 2u);
    EXPECT_EQ(ReadAll(outcome.trashedAs[1]), "EE");
    EXPECT_TRUE(outcome.failed.empty());
}
