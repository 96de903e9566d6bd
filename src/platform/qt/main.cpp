#include "platform/DsSoundLibrary.h"
#include "platform/qt/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvenko"));
    QApplication::setApplicationVersion(QStringLiteral(TARVENKO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tarvenko"));

    tarvenko::DsSoundLibrary sound;
    tarvenko::MainWindow window(sound);
    window.form().Form_Load();
    if (window.form().終了済み()) return 0;
    window.show();
    return app.exec();
}
