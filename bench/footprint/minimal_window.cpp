// The toolkit's floor for the footprint comparison: the same kind of window as the game (a
// QMainWindow with the game's six menu captions over a 606 x 440 client widget painted in the
// game's green, at the same place), with no game, pictures, text or sound behind it.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPaintEvent>
#include <QWidget>

namespace {

class Client : public QWidget {
  public:
    Client() {
        setMinimumSize(606, 440);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        p.fillRect(event->rect(), QColor(0, 128, 0));
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    QMenuBar* bar = window.menuBar();
    QMenu* first = bar->addMenu(QStringLiteral("対局"));
    first->addAction(QStringLiteral("終わり"), &app, &QApplication::quit);
    bar->addMenu(QStringLiteral("局面"));
    bar->addAction(QStringLiteral("戻"));
    bar->addAction(QStringLiteral("進"));
    bar->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ"));
    bar->addAction(QStringLiteral("その他"));
    window.setCentralWidget(new Client);
    window.move(-4, -4);
    window.show();
    return app.exec();
}
