#include "TempTree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

CTempTree::CTempTree() {
    std::string strTemplate = (fs::temp_directory_path() / "twinex-test-XXXXXX").string();
    if (!mkdtemp(strTemplate.data())) throw std::runtime_error("mkdtemp failed");
    m_strRoot = strTemplate + "/";
}

CTempTree::~CTempTree() {
    std::error_code ec;
    // Tests may leave folders without permissions behind; give them back before removing.
    for (auto it = fs::recursive_directory_iterator(
             m_strRoot, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(m_strRoot, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_strRoot, ec);
}

std::string CTempTree::Path(std::string_view strRel) const {
    return m_strRoot + std::string(strRel);
}

std::string CTempTree::Add(std::string_view strRel, std::string_view bytes) {
    const std::string strPath = Path(strRel);
    fs::create_directories(fs::path(strPath).parent_path());
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + strPath);
    return strPath;
}

std::string CTempTree::AddDir(std::string_view strRel) {
    std::string strPath = Path(strRel);
    fs::create_directories(strPath);
    if (strPath.empty() || strPath.back() != '/') strPath += '/';
    return strPath;
}
