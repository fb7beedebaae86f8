// Replacing selected copies with links through the main window, on real temporary files: only
// the planned files change, each into a link to the copy that stays; what could not change is
// told with its reason; the rows stay, marked, and count as extra copies no longer.
#include <sys/stat.h>

#include <QAction>
#include <QTest>

#include "ActionsSupport.h"
#include "LinkCopies.h"
#include "ResTables.h"
#include "Resource.h"
#include "SetsModel.h"
#include "SetsPanel.h"
#include "SetsView.h"
#include "SpaceText.h"
#include "UndoDelete.h"

namespace {

ino_t Inode(const std::string& strPath) {
    struct stat st {};
    return lstat(strPath.c_str(), &st) == 0 ? st.st_ino : 0;
}

QString Q(const std::string& str) {
    return QString::fromStdString(str);
}

class LinkRowsTest : public CFrameTest {
protected:
    // The tip on the source cell of the first row whose source is strPath.
    QString SourceTip(const std::string& strPath) {
        for (int i = 0; i < Model().GetRowCount(); ++i)
            if (Model().GetSourcePath(i) == strPath)
                return Model().index(i, COL_SOURCE).data(Qt::ToolTipRole).toString();
        return QStringLiteral("<no row>");
    }
    QString SpaceLine() {
        Model().GetSelectionModel()->clearSelection();
        QTest::qWait(1);  // the line follows the rows once the event loop runs
        return m_pFrame->GetSpacePaneText();
    }
};

}  // namespace

TEST_F(LinkRowsTest, HardLinksReplaceThePlannedFilesOnlyAndTheirRowsStayMarked) {
    const std::string a1 = File("a/1", "AAAA", 300), a2 = File("a/2", "AAAA", 200),
                      a3 = File("b/3", "AAAA", 100);
    const std::string r = File("ref/r", "RRRRR"), c = File("c", "RRRRR");
    const std::string y1 = File("y1", "yyy"), y2 = File("y2", "YYY");  // a false pair
    SetRows(ReflectedRows({{a1, a2, a3}, {r, c}, {y1, y2}}, {r}));
    EXPECT_TRUE(SpaceLine().contains("4 extra copies"));
    const ino_t nA1 = Inode(a1), nR = Inode(r), nY1 = Inode(y1), nY2 = Inode(y2);

    Key(Qt::Key_A, Qt::ControlModifier);
    m_prompt.PushAnswer(true);
    Command(ID_EDIT_LINKHARD);

    // The question: how many, to which copies, who stays.
    const CScriptedPrompt::CAsked& asked = m_prompt.m_asked.at(0);
    EXPECT_EQ(asked.strCaption, "Replace with Hard Links");
    EXPECT_TRUE(asked.strText.contains("replace these 4 files with hard links"))
        << asked.strText.toStdString();
    EXPECT_TRUE(asked.strText.contains(Q(a1) + " (for 2 file(s))"));
    EXPECT_TRUE(asked.strText.contains(Q(r) + " (for 1 file(s))"));
    EXPECT_TRUE(asked.strText.contains(LoadResString(IDS_REFERENCE_KEPT).arg(1)));

    // On disk: each planned copy is now the file that stays; every other file is as it was.
    const std::pair<std::string, ino_t> inodes[] = {{a1, nA1}, {a2, nA1}, {a3, nA1}, {r, nR},
                                                    {c, nR},   {y1, nY1}, {y2, nY2}};
    for (const auto& [strPath, nInode] : inodes) EXPECT_EQ(Inode(strPath), nInode) << strPath;
    EXPECT_EQ(ReadAll(a3), "AAAA");
    // The false pair is told, with the check's reason.
    EXPECT_EQ(LastAsked().strCaption, LoadResString(IDS_CHECK_KEPT_CAPTION));
    EXPECT_TRUE(LastAsked().strText.contains(Q(y2) + ": not an exact copy of " + Q(y1)));

    // Every row stays; the replaced files say what they link to, the others say nothing.
    EXPECT_EQ(Model().GetRowCount(), 8);
    EXPECT_EQ(SourceTip(a2), "Replaced with a hard link to " + Q(a1));
    EXPECT_EQ(SourceTip(c), "Replaced with a hard link to " + Q(r));
    EXPECT_TRUE(SourceTip(a1).isEmpty());
    EXPECT_TRUE(SourceTip(y2).isEmpty());
    EXPECT_TRUE(m_pFrame->GetMessagePaneText().startsWith("Replaced 3 file(s) with hard links"));

    // Linked files are extra copies no longer: only the false pair's copy is left to select,
    // and selected, a linked file frees nothing.
    EXPECT_TRUE(SpaceLine().contains("1 extra copy"));
    Key(Qt::Key_A, Qt::ControlModifier);
    QTest::qWait(1);
    EXPECT_EQ(m_pFrame->GetSpacePaneText(), SelectionText(7, 4 + 5 + 3 + 3));
    Command(ID_EDIT_SELECTNEWEST);
    ASSERT_EQ(Selected().size(), 1u);
    EXPECT_EQ(Model().GetSourcePath(Selected()[0]), y2);
}

TEST_F(LinkRowsTest, ClonesWhereTheFileSystemHasNoneAreRefusedWithTheReason) {
    const std::string a = File("a", "same bytes"), b = File("b", "same bytes");
    {
        // The library's own probe: where clones work, the refusal cannot be seen here.
        CTempTree probe;
        const std::string p1 = probe.Add("1", "x"), p2 = probe.Add("2", "x");
        if (ReplaceWithLink(p2, p1, LINK_CLONE) == 0)
            GTEST_SKIP()
                << "the temp folder's file system makes clones; the actions suite tests them";
    }
    SetRows({PairRow(a, b), PairRow(b, a)});
    const ino_t nB = Inode(b);
    DeleteRows({1}, ID_EDIT_LINKCLONE);

    EXPECT_TRUE(m_prompt.m_asked.at(0).strText.contains("with a clone of " + Q(a)));
    EXPECT_EQ(LastAsked().strCaption, "Error Replacing Files");
    EXPECT_EQ(LastAsked().nIcon, IPrompt::ICON_ERROR);
    EXPECT_TRUE(LastAsked().strText.contains(Q(b) + ": the file system cannot make clones"))
        << LastAsked().strText.toStdString();
    EXPECT_EQ(Inode(b), nB);
    EXPECT_EQ(ListDir(m_tree.Root()), (std::vector<std::string>{"a", "b"}));  // no temporary left
    EXPECT_TRUE(SourceTip(b).isEmpty());
    EXPECT_EQ(Model().GetRowCount(), 2);
}

TEST_F(LinkRowsTest, DeclinedProtectedAndFromTheSetsTree) {
    const std::string a = File("a", "AAAA"), b = File("b", "AAAA"), d = File("d", "DD"),
                      e = File("e", "DD");
    const std::string r1 = File("ref/1", "RR"), r2 = File("ref/2", "RR");
    std::vector<CResultRow> rows = {PairRow(a, b), PairRow(b, a), PairRow(d, e), PairRow(e, d),
                                    PairRow(r1, r2)};
    rows[4].m_bSourceReference = rows[4].m_bTargetReference = true;
    SetRows(std::move(rows));
    const ino_t nB = Inode(b);

    // No: nothing changes. Reference files alone: told they are protected, nothing asked.
    Select({1});
    m_prompt.PushAnswer(false);
    Command(ID_EDIT_LINKHARD);
    EXPECT_EQ(Inode(b), nB);
    EXPECT_TRUE(SourceTip(b).isEmpty());
    m_prompt.m_asked.clear();
    Select({4});
    Command(ID_EDIT_LINKHARD);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_FALSE(LastAsked().bQuestion);
    EXPECT_EQ(LastAsked().strText, LoadResString(IDS_LINK_REFERENCE_PROTECTED).arg(1));

    // A delete to the Trash, then a link from the context menu: Undo cannot reach back past it.
    const std::string f = File("f", "F"), g = File("g", "F");
    SetRows({PairRow(a, b), PairRow(b, a), PairRow(d, e), PairRow(e, d), PairRow(f, g)});
    DeleteRows({4}, ID_EDIT_DELETE);
    ASSERT_TRUE(m_pFrame->GetCommandAction(ID_EDIT_UNDODELETE)->isEnabled());
    Select({1});
    m_prompt.PushAnswer(true);
    ASSERT_TRUE(RightClickItem(View().viewport(), QPoint(20, 5), "Replace with &Hard Links"));
    EXPECT_EQ(Inode(b), Inode(a));
    EXPECT_FALSE(m_pFrame->GetCommandAction(ID_EDIT_UNDODELETE)->isEnabled());
    EXPECT_FALSE(DeleteJournalOf(Model()).CanUndo());

    // From the sets tree: a file's box is the selection; the tree then tags the file.
    Command(ID_VIEW_DUPLICATESETS);
    CSetsView* pTree = m_pFrame->GetSetsPanel()->GetView();
    CSetsModel* pSets = pTree->GetModel();
    ASSERT_TRUE(WaitFor([&] { return pSets->rowCount() == 2; }));
    QModelIndex eFile;
    for (int s = 0; s < pSets->rowCount(); ++s)
        for (int i = 0; i < pSets->rowCount(pSets->index(s, 0)); ++i) {
            const QModelIndex file = pSets->index(i, 0, pSets->index(s, 0));
            if (pSets->GetFilePath(pSets->FileAt(file)) == e) eFile = file;
        }
    ASSERT_TRUE(eFile.isValid());
    Model().GetSelectionModel()->clearSelection();
    ASSERT_TRUE(pSets->setData(eFile, Qt::Checked, Qt::CheckStateRole));
    m_prompt.PushAnswer(true);
    Command(ID_EDIT_LINKHARD);
    EXPECT_EQ(Inode(e), Inode(d));
    ASSERT_TRUE(WaitFor([&] { return pSets->rowCount() == 2; }));
    QStringList notes;
    for (int s = 0; s < pSets->rowCount(); ++s)
        for (int i = 0; i < pSets->rowCount(pSets->index(s, 0)); ++i)
            notes << pSets->index(i, CSetsModel::COL_NOTE, pSets->index(s, 0)).data().toString();
    EXPECT_EQ(notes.count("Linked"), 2) << notes.join(',').toStdString();
    EXPECT_EQ(notes.count("Keeps"), 2);
}
