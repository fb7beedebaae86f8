#include "SearchState.h"

#include <algorithm>
#include <limits>

int g_bFolderListChanged = 0;
int g_nCollectedFiles = 0;

std::vector<std::string> SearchedFolders(const std::vector<CFolderRow>& rows) {
    std::vector<std::string> folders;
    for (const CFolderRow& row : rows) {
        std::string strFolder = row.strFolder;
        if (strFolder.empty() || strFolder[0] != '/') continue;  // nothing a reader could use
        if (strFolder.back() != '/') strFolder += '/';
        if (std::find(folders.begin(), folders.end(), strFolder) == folders.end())
            folders.push_back(std::move(strFolder));
    }
    return folders;
}

std::uint64_t CSearchSettings::GetPartialBytes() const {
    // Read as the one-line field of at most 20 characters holds it, the way atoi reads.
    std::string_view strText(m_strPartial);
    strText = strText.substr(0, strText.find_first_of("\r\n"));
    strText = strText.substr(0, 20);

    std::size_t i = 0;
    auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < strText.size() && isBlank(strText[i])) ++i;
    bool bNegative = false;
    if (i < strText.size() && (strText[i] == '+' || strText[i] == '-')) bNegative = strText[i++] == '-';

    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t nKilobytes = 0;
    for (; i < strText.size() && strText[i] >= '0' && strText[i] <= '9'; ++i) {
        const auto nDigit = static_cast<std::uint64_t>(strText[i] - '0');
        nKilobytes = nKilobytes > (kMax - nDigit) / 10 ? kMax : nKilobytes * 10 + nDigit;
    }
    // A negative size means nothing; comparing whole files is the careful reading of it.
    if (bNegative) return 0;
    return nKilobytes > kMax / 1024 ? kMax : nKilobytes * 1024;
}

void CSearchState::ResetFlags() {
    m_bBusy = 0;
    m_bAbort = 0;
    m_bCollecting = 0;
    m_bMatching = 0;
    m_nProgressPos = 0;
    m_nBytesDone = 0;
    m_nBytesTotal = 0;
}
