// The default application of a file type, from association files in folders of the test's own.
#include <gtest/gtest.h>

#include "MimeApps.h"
#include "TempTree.h"

TEST(MimeApps, DeclaredTypesAncestorsAssociationsAndDefaults) {
    CTempTree tree;
    CXdgDirs dirs;
    dirs.strConfigHome = tree.AddDir("config");
    dirs.strDataHome = tree.AddDir("local");
    dirs.dataDirs = {tree.AddDir("usr")};
    for (std::string* p : {&dirs.strConfigHome, &dirs.strDataHome, &dirs.dataDirs[0]}) p->pop_back();
    auto app = [&](const std::string& strRel, const std::string& strExtra) {
        tree.Add(strRel, "[Desktop Entry]\nType=Application\nName=X\nExec=true %f\n" + strExtra);
    };
    auto find = [&](std::vector<std::string> types) { return FindDefaultApplication(types, dirs); };

    app("usr/applications/editor.desktop", "MimeType=text/plain;text/markdown;\n");
    // A C source has no application of its own; its ancestor text/plain has one.
    EXPECT_EQ(find({"text/x-csrc", "text/plain", "application/octet-stream"}), "editor.desktop");
    EXPECT_EQ(find({"application/octet-stream"}), "");

    // A removed association and the user's Hidden copy take the application away.
    tree.Add("config/mimeapps.list", "[Removed Associations]\ntext/markdown=editor.desktop;\n");
    EXPECT_EQ(find({"text/markdown"}), "");
    app("local/applications/editor.desktop", "Hidden=true\n");
    EXPECT_EQ(find({"text/plain"}), "");

    // A default stands even where the association is gone; one naming an application that is
    // not installed passes on to the next entry.
    tree.Add("local/applications/kde/writer.desktop", "[Desktop Entry]\nType=Application\nExec=w\n");
    tree.Add("usr/applications/mimeapps.list",
             "[Default Applications]\ntext/plain=gone.desktop;kde-writer.desktop;\n");
    EXPECT_EQ(find({"text/plain"}), "kde-writer.desktop");
}
