#include <QApplication>
#include <gtest/gtest.h>

namespace {

QtMessageHandler g_pfnDefaultHandler = nullptr;

// The offscreen platform tells of every window it cannot size like a real one; only noise.
void QuietHandler(QtMsgType nType, const QMessageLogContext& context, const QString& strMessage) {
    if (strMessage.contains(QLatin1String("propagateSizeHints"))) return;
    g_pfnDefaultHandler(nType, context, strMessage);
}

}  // namespace

int main(int argc, char** argv) {
    // The suite never needs a screen; a display that happens to be set is not used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_pfnDefaultHandler = qInstallMessageHandler(QuietHandler);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
