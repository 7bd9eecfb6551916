#include <gtest/gtest.h>

#include <QApplication>

// Every test binary runs with an application object, so the main scheduler and widgets work.
// Headless unless the caller chose a platform (test discovery runs without CTest's environment).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
