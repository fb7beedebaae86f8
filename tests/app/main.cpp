// main() of the shell suite: the real application object, started as the program starts.
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TwinexApp.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Searches the suites run keep their checksums here, never in the user's cache.
    QTemporaryDir cacheHome;
    qputenv("XDG_CACHE_HOME", cacheHome.path().toLocal8Bit());
    CTwinexApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!app.InitInstance()) return 1;
    return RUN_ALL_TESTS();
}
