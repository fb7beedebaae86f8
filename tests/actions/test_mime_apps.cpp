// The default application of a file type, from association files in folders of the test's own.
#include <gtest/gtest.h>

#include "MimeApps.h"
#include "TempTree.h"

namespace {

class MimeAppsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dirs.strConfigHome = m_tree.AddDir("config");
        m_dirs.configDirs = {m_tree.AddDir("etc-xdg")};
        m_dirs.strDataHome = m_tree.AddDir("local");
        m_dirs.dataDirs = {m_tree.AddDir("usr")};
        for (std::string* p : {&m_dirs.strConfigHome, &m_dirs.configDirs[0], &m_dirs.strDataHome,
                               &m_dirs.dataDirs[0]})
            p->pop_back();
    }

    // An application in the system data folder (or the local one).
    void App(const std::string& strRel, const std::string& strExtra, bool bLocal = false) {
        m_tree.Add((bLocal ? "local/applications/" : "usr/applications/") + strRel,
                   "[Desktop Entry]\nType=Application\nName=X\nName[de]=Y\nExec=true %f\n" + strExtra);
    }
    std::string Find(std::vector<std::string> types) { return FindDefaultApplication(types, m_dirs); }

    CTempTree m_tree;
    CXdgDirs m_dirs;
};

}  // namespace

TEST_F(MimeAppsTest, DeclaredTypesAndAncestors) {
    EXPECT_EQ(Find({"text/plain"}), "");
    App("editor.desktop", "MimeType=text/plain;text/markdown;\n");
    App("viewer.desktop", "MimeType=image/png\n");
    EXPECT_EQ(Find({"text/plain"}), "editor.desktop");
    EXPECT_EQ(Find({"image/png"}), "viewer.desktop");
    // A C source has no application of its own; its ancestor text/plain has one.
    EXPECT_EQ(Find({"text/x-csrc", "text/plain", "application/octet-stream"}), "editor.desktop");
    EXPECT_EQ(Find({"application/octet-stream"}), "");
    EXPECT_EQ(Find({"application/x-zerosize"}), "");
}

TEST_F(MimeAppsTest, DefaultsAddedAndRemovedAssociations) {
    App("editor.desktop", "MimeType=text/plain;\n");
    App("other.desktop", "");
    m_tree.Add("local/applications/kde/writer.desktop",
               "[Desktop Entry]\nType=Application\nExec=writer\n");

    // Added associations give an application to a type it does not declare.
    m_tree.Add("config/mimeapps.list",
               "[Added Associations]\napplication/x-notes=other.desktop;\n"
               "[Removed Associations]\ntext/plain=editor.desktop;\n");
    EXPECT_EQ(Find({"application/x-notes"}), "other.desktop");
    // A removed association no longer counts.
    EXPECT_EQ(Find({"text/plain"}), "");

    // A default stands even where the association was removed; a default naming an
    // application that is not installed passes on to the next entry.
    m_tree.Add("usr/applications/mimeapps.list",
               "[Default Applications]\ntext/plain=gone.desktop;kde-writer.desktop;\n");
    EXPECT_EQ(Find({"text/plain"}), "kde-writer.desktop");

    // The desktop's own list comes before the generic one of the same folder.
    m_dirs.desktops = {"gnome"};
    m_tree.Add("config/gnome-mimeapps.list", "[Default Applications]\ntext/plain=other.desktop\n");
    EXPECT_EQ(Find({"text/plain"}), "other.desktop");
}

TEST_F(MimeAppsTest, HiddenAndUnrunnableApplicationsDoNotCount) {
    App("editor.desktop", "MimeType=text/plain;\n");
    // The user's Hidden copy hides the system one.
    App("editor.desktop", "Hidden=true\n", true);
    EXPECT_EQ(Find({"text/plain"}), "");

    App("tool.desktop", "TryExec=/nonexistent/twinex-tool\nMimeType=image/png;\n");
    EXPECT_EQ(Find({"image/png"}), "");
    App("tool2.desktop", "TryExec=sh\nMimeType=image/png;\n");
    EXPECT_EQ(Find({"image/png"}), "tool2.desktop");

    m_tree.Add("usr/applications/link.desktop", "[Desktop Entry]\nType=Link\nURL=x\nMimeType=image/gif;\n");
    EXPECT_EQ(Find({"image/gif"}), "");
}
