// The folders depend on each other one way only, and no two source files need each other.
// Reads the sources' #include lines; the folders' targets must agree with what it finds.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Which folders each folder may include from.
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"engine", {}},
    {"res", {}},
    {"actions", {"engine"}},
    {"view", {"actions", "engine", "res"}},
    {"wizard", {"engine", "res"}},
    {"app", {"wizard", "view", "actions", "engine", "res"}},
    {"cli", {"actions", "engine"}},
};

struct CSourceTree {
    // A unit is a header and its source file: "folder/Stem".
    std::map<std::string, std::set<std::string>> unitEdges;
    std::map<std::string, std::set<std::string>> folderEdges;  // folder -> folders it includes
    std::vector<std::string> qtInEngine;
};

std::string UnitOf(const fs::path& file) {
    return file.parent_path().filename().string() + "/" + file.stem().string();
}

CSourceTree ReadTree(const fs::path& root) {
    // Where each header lives: a name is looked up in the including file's folder first.
    std::map<std::string, std::vector<std::string>> foldersOfHeader;
    std::vector<fs::path> sources;
    for (const auto& [strFolder, allowed] : kAllowed) {
        (void)allowed;
        if (!fs::is_directory(root / strFolder)) continue;
        for (const auto& entry : fs::directory_iterator(root / strFolder)) {
            const std::string strExt = entry.path().extension().string();
            if (strExt != ".h" && strExt != ".cpp") continue;
            sources.push_back(entry.path());
            if (strExt == ".h") foldersOfHeader[entry.path().filename().string()].push_back(strFolder);
        }
    }

    CSourceTree tree;
    for (const fs::path& file : sources) {
        const std::string strFolder = file.parent_path().filename().string();
        std::ifstream in(file);
        std::string strLine;
        while (std::getline(in, strLine)) {
            if (strLine.rfind("#include", 0) != 0) continue;
            const auto nQuote = strLine.find('"');
            if (nQuote == std::string::npos) {
                if (strFolder == "engine" && strLine.find("<Q") != std::string::npos)
                    tree.qtInEngine.push_back(file.string() + ": " + strLine);
                continue;
            }
            const std::string strName =
                strLine.substr(nQuote + 1, strLine.find('"', nQuote + 1) - nQuote - 1);
            const auto it = foldersOfHeader.find(fs::path(strName).filename().string());
            if (it == foldersOfHeader.end()) continue;  // generated or outside the program
            std::string strTarget = it->second.front();
            for (const std::string& f : it->second)
                if (f == strFolder) strTarget = f;
            const std::string strUnit = strTarget + "/" + fs::path(strName).stem().string();
            if (strUnit != UnitOf(file)) tree.unitEdges[UnitOf(file)].insert(strUnit);
            if (strTarget != strFolder) tree.folderEdges[strFolder].insert(strTarget);
        }
    }
    return tree;
}

// A cycle through the units as "a -> b -> a", or empty.
std::string FindCycle(const std::map<std::string, std::set<std::string>>& edges) {
    std::map<std::string, int> state;  // 1: on the path, 2: done
    std::vector<std::string> path;
    std::string strCycle;
    auto visit = [&](auto& self, const std::string& unit) -> bool {
        state[unit] = 1;
        path.push_back(unit);
        if (const auto it = edges.find(unit); it != edges.end()) {
            for (const std::string& next : it->second) {
                if (state[next] == 1) {
                    for (auto p = std::find(path.begin(), path.end(), next); p != path.end(); ++p)
                        strCycle += *p + " -> ";
                    strCycle += next;
                    return true;
                }
                if (state[next] == 0 && self(self, next)) return true;
            }
        }
        path.pop_back();
        state[unit] = 2;
        return false;
    };
    for (const auto& [unit, targets] : edges) {
        (void)targets;
        if (state[unit] == 0 && visit(visit, unit)) return strCycle;
    }
    return {};
}

TEST(Layering, FoldersPointOneWayAndFilesFormNoCycle) {
    const CSourceTree tree = ReadTree(TWINEX_SOURCE_DIR);
    ASSERT_FALSE(tree.unitEdges.empty()) << "no sources found under " << TWINEX_SOURCE_DIR;

    for (const auto& [strFolder, targets] : tree.folderEdges)
        for (const std::string& strTarget : targets)
            EXPECT_TRUE(kAllowed.at(strFolder).count(strTarget))
                << strFolder << "/ includes from " << strTarget << "/";

    EXPECT_EQ(FindCycle(tree.unitEdges), "");
    EXPECT_TRUE(tree.qtInEngine.empty()) << tree.qtInEngine.front();
}

TEST(Layering, FindsACycle) {
    EXPECT_EQ(FindCycle({{"a/X", {"b/Y"}}, {"b/Y", {"a/Z"}}, {"a/Z", {"b/Y"}}}), "b/Y -> a/Z -> b/Y");
    EXPECT_EQ(FindCycle({{"a/X", {"b/Y", "a/Z"}}, {"a/Z", {"b/Y"}}}), "");
}

}  // namespace
