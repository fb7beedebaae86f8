#include "ResultSort.h"

#include <algorithm>
#include <string_view>

#include "NoCase.h"
#include "PathTable.h"
#include "ResultItem.h"

namespace {

bool IsTextColumn(int nColumn) {
    return nColumn == COL_SOURCE || nColumn == COL_SOURCE_FOLDER || nColumn == COL_TARGET ||
           nColumn == COL_TARGET_FOLDER;
}

// The first 8 bytes (lowered) from nSkip on, big-endian and zero-padded: for texts without NUL
// bytes, comparing these numbers orders like CompareNoCase over those bytes.
std::uint64_t PrefixKey(std::string_view s, std::size_t nSkip) {
    std::uint64_t nKey = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t nPos = nSkip + i;
        const unsigned char c =
            nPos < s.size() ? LowerAscii(static_cast<unsigned char>(s[nPos])) : 0;
        nKey = (nKey << 8) | c;
    }
    return nKey;
}

// The rank of every row's text in nColumn among the column's distinct texts (under
// CompareNoCase). Rows often share a folder, so the distinct texts are found first with a hash
// table and only they are sorted; each row's text is read once. Linear apart from that sort.
std::vector<std::uint32_t> RankTexts(const std::vector<CResultItem>& rows, int nColumn) {
    const std::size_t n = rows.size();
    std::vector<std::uint32_t> ids(n);
    std::vector<std::string_view> distinct;
    {
        CNoCasePathTable table;
        for (std::size_t i = 0; i < n; ++i) ids[i] = table.Intern(rows[i].GetPathCell(nColumn));
        distinct = table.Texts();
    }
    // Sort the distinct texts: an integer compare on 8 bytes past their common prefix
    // decides most pairs.
    const std::size_t nDistinct = distinct.size();
    std::size_t nSkip = distinct[0].size();
    for (const std::string_view b : distinct) {
        const std::string_view a = distinct[0];
        std::size_t j = 0;
        const std::size_t nMax = std::min(nSkip, b.size());
        while (j < nMax && LowerAscii(static_cast<unsigned char>(a[j])) ==
                               LowerAscii(static_cast<unsigned char>(b[j])))
            ++j;
        nSkip = j;
    }
    struct CKey {
        std::uint64_t nPrefix;
        std::uint32_t nId;
    };
    std::vector<CKey> keys(nDistinct);
    for (std::size_t d = 0; d < nDistinct; ++d)
        keys[d] = {PrefixKey(distinct[d], nSkip), static_cast<std::uint32_t>(d)};
    const std::size_t nTail = nSkip + 8;
    std::sort(keys.begin(), keys.end(), [&](const CKey& a, const CKey& b) {
        if (a.nPrefix != b.nPrefix) return a.nPrefix < b.nPrefix;
        const std::string_view sa = distinct[a.nId], sb = distinct[b.nId];
        return CompareNoCase(sa.substr(std::min(nTail, sa.size())),
                             sb.substr(std::min(nTail, sb.size()))) < 0;
    });
    std::vector<std::uint32_t> rankOfId(nDistinct);
    for (std::size_t r = 0; r < nDistinct; ++r) rankOfId[keys[r].nId] = static_cast<std::uint32_t>(r);
    for (std::uint32_t& nId : ids) nId = rankOfId[nId];
    return ids;
}

}  // namespace

std::vector<std::uint32_t> SortOrder(const std::vector<CResultItem>& rows, int nColumn,
                                      bool bAscending) {
    const std::size_t n = rows.size();
    // order[j]: the row that goes to place j. Equal keys keep their order, in either direction.
    std::vector<std::uint32_t> order(n);
    if (IsTextColumn(nColumn)) {
        const std::vector<std::uint32_t> ranks = RankTexts(rows, nColumn);
        // Counting sort by rank: stable, and linear.
        const std::uint32_t nRanks = *std::max_element(ranks.begin(), ranks.end()) + 1;
        std::vector<std::uint32_t> next(nRanks + 1, 0);
        for (std::uint32_t r : ranks) ++next[bAscending ? r + 1 : nRanks - r];
        for (std::uint32_t r = 1; r <= nRanks; ++r) next[r] += next[r - 1];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t r = bAscending ? ranks[i] : nRanks - 1 - ranks[i];
            order[next[r]++] = static_cast<std::uint32_t>(i);
        }
    } else {
        // The size, or the time with its sign bit flipped so that signed times order as
        // unsigned numbers; inverted for a descending sort.
        std::vector<std::pair<std::uint64_t, std::uint32_t>> keys(n);
        for (std::size_t i = 0; i < n; ++i) {
            const CResultItem& item = rows[i];
            std::uint64_t nKey =
                nColumn == COL_SIZE
                    ? item.m_nSize
                    : static_cast<std::uint64_t>(nColumn == COL_SOURCE_MODIFIED ? item.m_tSource
                                                                                : item.m_tTarget) ^
                          (std::uint64_t{1} << 63);
            keys[i] = {bAscending ? nKey : ~nKey, static_cast<std::uint32_t>(i)};
        }
        std::stable_sort(keys.begin(), keys.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t j = 0; j < n; ++j) order[j] = keys[j].second;
    }

    return order;
}
