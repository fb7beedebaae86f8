// main() of the shell suite: the real application object, started as the program starts.
#include <gtest/gtest.h>

#include "TwinexApp.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    CTwinexApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!app.InitInstance()) return 1;
    return RUN_ALL_TESTS();
}
