// The files of the result list that this program replaced with links: their rows stay, since
// the path still holds the contents, but they are extra copies no longer.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "LinkCopies.h"

struct CLinkMark {
    ELinkKind nKind = LINK_HARD;
    std::string strTo;  // the copy that stays, which the file now links to
};

// Keyed by exact path bytes; looked up by view, so that rows and sets ask without a copy.
class CLinkMarks {
public:
    void Mark(const std::string& strPath, ELinkKind nKind, const std::string& strTo) {
        m_marks[strPath] = CLinkMark{nKind, strTo};
    }
    // Null when the file was not replaced.
    const CLinkMark* Find(std::string_view strPath) const {
        if (m_marks.empty()) return nullptr;
        const auto it = m_marks.find(strPath);
        return it == m_marks.end() ? nullptr : &it->second;
    }
    bool IsEmpty() const { return m_marks.empty(); }
    void Clear() { m_marks.clear(); }

private:
    struct CHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view str) const {
            return std::hash<std::string_view>()(str);
        }
    };
    std::unordered_map<std::string, CLinkMark, CHash, std::equal_to<>> m_marks;
};
