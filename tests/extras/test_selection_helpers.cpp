// Selecting the extra copies of each duplicate set, the rows of a folder, the other rows.
#include <QHeaderView>
#include <algorithm>
#include <map>
#include <random>

#include "ActionsSupport.h"
#include "Resource.h"
#include "SelectionHelpers.h"

// Sets of random sizes and times (many ties), written as the reflect option writes them or as
// bare chains, then shuffled as a sort would: the kept file of each set is its newest (or
// oldest) with the first path among equals, and exactly the rows of the other files are marked.
TEST(FindExtraCopies, KeepsOnePerSetWhateverTheRowOrder) {
    std::mt19937 random(7);
    for (const EKeepRule nKeep : {KEEP_NEWEST, KEEP_OLDEST}) {
        std::map<std::string, std::int64_t> timeOf;
        std::map<std::string, std::string> keptOf;  // file -> the file its set keeps
        std::vector<std::pair<std::string, std::string>> pairs;
        for (int nSet = 0; nSet < 60; ++nSet) {
            const int nFiles = 2 + static_cast<int>(random() % 4);
            std::vector<std::string> files;
            for (int i = 0; i < nFiles; ++i) {
                // Names in random order, so the kept file is not merely the first one.
                files.push_back("/s" + std::to_string(nSet) + "/f" +
                                std::to_string(random() % 1000) + "_" + std::to_string(i));
                timeOf[files.back()] = 100 * static_cast<std::int64_t>(random() % 3);
            }
            std::string strKept = files[0];
            for (const std::string& f : files) {
                const std::int64_t t = timeOf[f], tKept = timeOf[strKept];
                if ((nKeep == KEEP_NEWEST ? t > tKept : t < tKept) || (t == tKept && f < strKept))
                    strKept = f;
            }
            for (int i = 0; i + 1 < nFiles; ++i) {
                pairs.emplace_back(files[i], files[i + 1]);
                if (nSet % 2 == 0) pairs.emplace_back(files[i + 1], files[i]);
            }
            for (const std::string& f : files) keptOf[f] = strKept;
        }
        std::shuffle(pairs.begin(), pairs.end(), random);

        const std::vector<char> extra = FindExtraCopies(
            pairs.size(),
            [&](std::size_t i) {
                return CSetRow{pairs[i].first, pairs[i].second, timeOf[pairs[i].first],
                               timeOf[pairs[i].second]};
            },
            nKeep);
        ASSERT_EQ(extra.size(), pairs.size());
        for (std::size_t i = 0; i < pairs.size(); ++i)
            EXPECT_EQ(extra[i] != 0, pairs[i].first != keptOf[pairs[i].first]) << pairs[i].first;
    }
}

// Keep Oldest from the context menu, then a delete: what the helper chose is what goes, and
// one file of each set stays.
TEST_F(CFrameTest, ExtraCopiesGoAndOneOfEachSetStays) {
    const std::string a1 = File("a/1", "AAAA", 100), a2 = File("a/2", "AAAA", 300),
                      a3 = File("a/3", "AAAA", 300);
    const std::string b1 = File("b/1", "BB", 500), b2 = File("b/2", "BB", 100);
    std::vector<CResultRow> rows = ReflectedSetRows({a3, a1, a2});
    rows.push_back(PairRow(b1, b2));  // no reflection: b2 is only ever a target
    SetRows(std::move(rows));
    Model().OnColumnClick(COL_SOURCE_FOLDER);  // the sets' rows no longer together

    // b2 stays, although no row has it as source.
    ASSERT_TRUE(RightClickItem(View().viewport(), View().visualRect(Model().index(0, 1)).center(),
                               "Select Extra Copies (Keep &Oldest)"));
    m_prompt.PushAnswer(true);
    Command(ID_EDIT_DELETE);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_FALSE(LastAsked().strText.contains("will be kept"));
    EXPECT_TRUE(Exists(a1) && Exists(b2));
    EXPECT_FALSE(Exists(a2) || Exists(a3) || Exists(b1));
    EXPECT_EQ(Sources(), (std::vector<std::string>{a1, a1}));  // their targets are gone
}

TEST_F(CFrameTest, RowsOfAFolderAndTheRowsNotSelected) {
    const std::string x1 = File("x/1", "11"), y1 = File("y/1", "11");
    const std::string x2 = File("x/2", "22"), y2 = File("y/2", "22"), z2 = File("z/2", "22");
    SetRows({PairRow(x1, y1), PairRow(y1, x1), PairRow(x2, y2), PairRow(z2, y2), PairRow(y2, x2)});
    // The current row's folder: rows whose target alone is there do not count.
    View().setCurrentIndex(Model().index(1, 0));
    Command(ID_EDIT_SELECTFOLDER);
    EXPECT_EQ(Selected(), (std::vector<int>{1, 4}));
    Command(ID_EDIT_INVERTSELECTION);
    EXPECT_EQ(Selected(), (std::vector<int>{0, 2, 3}));
}
