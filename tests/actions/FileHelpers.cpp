#include "FileHelpers.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

bool Exists(const std::string& strPath) {
    struct stat st;
    return lstat(strPath.c_str(), &st) == 0;
}

std::string ReadAll(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> ListDir(const std::string& strDir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(strDir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

CResultRow PairRow(const std::string& strSource, const std::string& strTarget) {
    struct stat a{}, b{};
    lstat(strSource.c_str(), &a);
    lstat(strTarget.c_str(), &b);
    CResultRow row;
    row.m_strSourcePath = strSource;
    row.m_strTargetPath = strTarget;
    row.m_nSize = static_cast<std::uint64_t>(a.st_size);
    row.m_tSource = a.st_mtime;
    row.m_tTarget = b.st_mtime;
    return row;
}

std::vector<CResultRow> ReflectedSetRows(const std::vector<std::string>& files) {
    std::vector<CResultRow> rows;
    const std::size_t n = files.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        rows.push_back(PairRow(files[i], files[i + 1]));
        rows.push_back(PairRow(files[i + 1], files[i]));
    }
    return rows;
}

std::vector<CResultRow> ReflectedRows(const std::vector<std::vector<std::string>>& sets,
                                      const std::set<std::string>& reference) {
    std::vector<CResultRow> rows;
    for (const std::vector<std::string>& files : sets)
        for (CResultRow& row : ReflectedSetRows(files)) {
            row.m_bSourceReference = reference.count(row.m_strSourcePath) > 0;
            row.m_bTargetReference = reference.count(row.m_strTargetPath) > 0;
            rows.push_back(std::move(row));
        }
    return rows;
}
