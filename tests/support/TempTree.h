// A folder under the system temp folder that tests fill with files, removed afterwards.
#pragma once

#include <string>
#include <string_view>

class CTempTree {
public:
    CTempTree();
    ~CTempTree();
    CTempTree(const CTempTree&) = delete;
    CTempTree& operator=(const CTempTree&) = delete;

    // The root folder, ending with '/'.
    const std::string& Root() const { return m_strRoot; }
    // Root() + relative path.
    std::string Path(std::string_view strRel) const;
    // Writes a file (creating its folders) and returns its full path.
    std::string Add(std::string_view strRel, std::string_view bytes);
    // Creates a folder (and its parents) and returns its full path with a trailing '/'.
    std::string AddDir(std::string_view strRel);

private:
    std::string m_strRoot;
};
