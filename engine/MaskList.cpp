#include "MaskList.h"

#include "FileInfo.h"

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool AnyMatches(const std::vector<std::string>& patterns, std::string_view str) {
    for (const std::string& strPattern : patterns)
        if (MatchMask(str, strPattern)) return true;
    return false;
}

}  // namespace

bool CExclusions::ExcludesName(std::string_view strName) const {
    return AnyMatches(m_names, strName);
}

bool CExclusions::ExcludesPath(std::string_view strRel) const {
    if (AnyMatches(m_paths, strRel)) return true;
    return strRel.size() > 1 && strRel.back() == '/' &&
           AnyMatches(m_paths, strRel.substr(0, strRel.size() - 1));
}

CRowMasks ParseRowMasks(std::string_view strMasks) {
    CRowMasks masks;
    std::size_t nStart = 0;
    while (nStart < strMasks.size()) {
        std::size_t nEnd = strMasks.find(';', nStart);
        if (nEnd == std::string_view::npos) nEnd = strMasks.size();
        const std::string_view strEntry = Trim(strMasks.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
        if (strEntry.empty()) continue;
        if (strEntry.front() != '!') {
            masks.m_includes.emplace_back(strEntry);
            continue;
        }
        std::string_view strPattern = Trim(strEntry.substr(1));
        // A leading '/' ties the pattern to the searched folder, as any '/' does; paths are
        // written below it, so the '/' itself goes.
        const bool bRooted = !strPattern.empty() && strPattern.front() == '/';
        while (!strPattern.empty() && strPattern.front() == '/') strPattern.remove_prefix(1);
        if (strPattern.empty()) continue;
        if (!bRooted && strPattern.find('/') == std::string_view::npos)
            masks.m_exclusions.m_names.emplace_back(strPattern);
        else
            masks.m_exclusions.m_paths.emplace_back(strPattern);
    }
    if (masks.m_includes.empty() && !masks.m_exclusions.IsEmpty())
        masks.m_includes.emplace_back("*.*");
    return masks;
}
