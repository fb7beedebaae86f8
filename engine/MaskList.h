// A folder row's masks text: the masks that take files, and the '!' entries that leave names
// and paths out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// What one row leaves out. Patterns use the mask rules ('*' and '?', any letter case).
struct CExclusions {
    std::vector<std::string> m_names;  // without '/': names of files and folders met in the walk
    std::vector<std::string> m_paths;  // with '/': paths below the searched folder

    bool IsEmpty() const { return m_names.empty() && m_paths.empty(); }
    bool ExcludesName(std::string_view strName) const;
    // strRel is below the searched folder; a folder's ends with '/', and it is also tried
    // without, so that "!cache/tmp" leaves out a file or a folder of that name.
    bool ExcludesPath(std::string_view strRel) const;
};

struct CRowMasks {
    std::vector<std::string> m_includes;  // trimmed, none empty, in the order written
    CExclusions m_exclusions;
};

// Splits at ';' and trims each entry; "!pattern" excludes (a pattern with a '/', also a
// leading one, is a path). A text with exclusions but no mask
// takes every file ("*.*") but those; a text of blanks takes nothing.
CRowMasks ParseRowMasks(std::string_view strMasks);
