// main() of the GUI suites: a QApplication on the offscreen platform around GoogleTest.
#include <QApplication>

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Never a real window: also when a suite is run by hand outside CTest.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Searches the suites run keep their checksums here, never in the user's cache.
    QTemporaryDir cacheHome;
    qputenv("XDG_CACHE_HOME", cacheHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
