#include "platform/DsSoundLibrary.h"
#include "platform/posix/PosixFiles.h"
#include "platform/qt/MainWindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvenko"));
    QApplication::setApplicationVersion(QStringLiteral(TARVENKO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tarvenko"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/tarvenko-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);

    tarvenko::DsSoundLibrary sound;
    tarvenko::PosixFiles files; // the current folder
    tarvenko::MainWindow window(sound, files);
    window.form().Form_Load();
    if (window.form().終了済み()) return 0;
    window.show();
    return app.exec();
}
