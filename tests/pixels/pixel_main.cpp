// Pixel tests need an application for fonts, images and the window (offscreen platform).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // The canvas needs no screen; test discovery runs this too, without the test's env.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
