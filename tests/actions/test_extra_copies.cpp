// Which files of each duplicate set are extra copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "ExtraCopies.h"

// Sets of random sizes and times (many ties), written as the reflect option writes them or as
// bare chains, then shuffled as a sort would: the kept file of each set is its newest (or
// oldest) with the first path among equals, a reference file before any other, and exactly the
// rows of the other files are marked, except in sets of empty files and rows whose source is a
// reference file or a link, which are never marked.
TEST(FindExtraCopies, KeepsOnePerSetWhateverTheRowOrder) {
    std::mt19937 random(7);
    for (const EKeepRule nKeep : {KEEP_NEWEST, KEEP_OLDEST}) {
        std::map<std::string, std::int64_t> timeOf;
        std::map<std::string, std::string> keptOf;  // file -> the file its set keeps
        std::map<std::string, bool> emptyOf, referenceOf, linkedOf;
        std::vector<std::pair<std::string, std::string>> pairs;
        for (int nSet = 0; nSet < 60; ++nSet) {
            const int nFiles = 2 + static_cast<int>(random() % 4);
            std::vector<std::string> files;
            for (int i = 0; i < nFiles; ++i) {
                // Names in random order, so the kept file is not merely the first one.
                files.push_back("/s" + std::to_string(nSet) + "/f" +
                                std::to_string(random() % 1000) + "_" + std::to_string(i));
                timeOf[files.back()] = 100 * static_cast<std::int64_t>(random() % 3);
                // Every third set holds reference files, one or more, anywhere in the set.
                referenceOf[files.back()] = nSet % 3 == 2 && random() % 2;
                // Every fourth set holds files replaced with links (never reference files).
                linkedOf[files.back()] = nSet % 4 == 3 && random() % 2;
            }
            std::string strKept = files[0];
            for (const std::string& f : files) {
                const std::int64_t t = timeOf[f], tKept = timeOf[strKept];
                const bool bRef = referenceOf[f], bKeptRef = referenceOf[strKept];
                const bool bLink = linkedOf[f], bKeptLink = linkedOf[strKept];
                if (bRef != bKeptRef     ? bRef
                    : bLink != bKeptLink ? bKeptLink
                                         : (nKeep == KEEP_NEWEST ? t > tKept : t < tKept) ||
                                               (t == tKept && f < strKept))
                    strKept = f;
            }
            for (int i = 0; i + 1 < nFiles; ++i) {
                pairs.emplace_back(files[i], files[i + 1]);
                if (nSet % 2 == 0) pairs.emplace_back(files[i + 1], files[i]);
            }
            for (const std::string& f : files) {
                keptOf[f] = strKept;
                emptyOf[f] = nSet % 5 == 1;
            }
        }
        std::shuffle(pairs.begin(), pairs.end(), random);

        const std::vector<char> extra = FindExtraCopies(
            pairs.size(),
            [&](std::size_t i) {
                const auto& [strSource, strTarget] = pairs[i];
                return CSetRow{strSource,           strTarget,
                               timeOf[strSource],   timeOf[strTarget],
                               emptyOf[strSource],  referenceOf[strSource],
                               referenceOf[strTarget], linkedOf[strSource],
                               linkedOf[strTarget]};
            },
            nKeep);
        ASSERT_EQ(extra.size(), pairs.size());
        for (std::size_t i = 0; i < pairs.size(); ++i)
            EXPECT_EQ(extra[i] != 0, pairs[i].first != keptOf[pairs[i].first] &&
                                         !emptyOf[pairs[i].first] && !referenceOf[pairs[i].first] &&
                                         !linkedOf[pairs[i].first])
                << pairs[i].first;
    }
}
