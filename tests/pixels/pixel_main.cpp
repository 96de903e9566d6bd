// Pixel tests need an application for fonts, images and the window (offscreen platform).
#include "platform/qt/OneWindow.h"

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // `--later-start ADDRESS [RECORD...]`: a start of the program beside a window the tests
    // keep at ADDRESS. Its status: 0 handed over, 1 listening in that window's place.
    if (argc >= 3 && std::strcmp(argv[1], "--later-start") == 0) {
        QCoreApplication app(argc, argv);
        tarvenko::OneWindow later(QString::fromLocal8Bit(argv[2]));
        QList<QByteArray> records;
        for (int i = 3; i < argc; ++i) records << QByteArray(argv[i]);
        if (later.handOver(records)) return 0;
        return later.listening() ? 1 : 2;
    }
    // The canvas needs no screen; test discovery runs this too, without the test's env.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
