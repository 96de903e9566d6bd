#include "platform/qt/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <chrono>
#include <thread>

namespace tarvenko {

namespace {

float twipsOf(double pixels) {
    return static_cast<float>(pixels * 15.0);
}

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

QSize MainWindow::clientSize() {
    // The right edge of 先手's last-move box (x = 9043.5 twips) and the lowest text box
    // (y = 6322.5 twips) set the size; a little margin keeps them off the frame.
    return QSize(606, 440);
}

BoardView::BoardView(MainWindow& owner, Canvas& canvas) : owner_(owner), canvas_(canvas) {
    setMinimumSize(MainWindow::clientSize());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void BoardView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    // Beyond the image the window is plain background.
    p.fillRect(event->rect(), Canvas::colour(canvas_.background()));
    p.drawImage(QPointF(0, 0), canvas_.image());
}

void BoardView::mousePressEvent(QMouseEvent* event) {
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = Form1::左ボタン;
        break;
    case Qt::RightButton:
        button = Form1::右ボタン;
        break;
    case Qt::MiddleButton:
        button = 4;
        break;
    default:
        return;
    }
    const QPointF pos = event->position();
    owner_.form().Form_MouseDown(button, 0, twipsOf(pos.x()), twipsOf(pos.y()));
}

MainWindow::MainWindow(SoundLibrary& sound, Files& files) {
    setWindowTitle(QStringLiteral("Tarvenko"));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    canvas_ = std::make_unique<Canvas>(QSize(680, 540), ratio);
    view_ = new BoardView(*this, *canvas_);
    setCentralWidget(view_);
    buildMenus();
    form_ = std::make_unique<Form1>(*this, sound, files);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    auto item = [this](QMenu* menu, const char* name, const char* caption,
                       void (Form1::*handler)()) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, handler] { (form_.get()->*handler)(); });
        return a;
    };
    auto barItem = [this, bar](const char* name, const char* caption, void (Form1::*handler)()) {
        QAction* a = bar->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, handler] { (form_.get()->*handler)(); });
    };

    QMenu* taikyoku = bar->addMenu(QStringLiteral("対局"));
    taikyoku->setObjectName(QStringLiteral("TAIKYOKU"));
    QMenu* man = taikyoku->addMenu(QStringLiteral("対局(人間)"));
    man->setObjectName(QStringLiteral("MATCH_MAN"));
    connect(man->menuAction(), &QAction::triggered, this, [this] { form_->MATCH_MAN_Click(); });
    item(man, "START", "スタート", &Form1::START_Click);
    QMenu* com = taikyoku->addMenu(QStringLiteral("対局(COM)"));
    com->setObjectName(QStringLiteral("START2"));
    item(com, "SENTE", "先手", &Form1::SENTE_Click);
    item(com, "GOTE", "後手", &Form1::GOTE_Click);
    item(taikyoku, "OWARI", "終わり", &Form1::OWARI_Click);

    QMenu* stop = bar->addMenu(QStringLiteral("局面"));
    stop->setObjectName(QStringLiteral("STOP"));
    item(stop, "CANCEL", "最初", &Form1::CANCEL_Click);

    barItem("REPLAY", "戻", &Form1::REPLAY_Click);
    barItem("AFTER", "進", &Form1::AFTER_Click);

    QMenu* option = bar->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ"));
    option->setObjectName(QStringLiteral("OPTION"));
    music_ = option->addAction(QStringLiteral("BGM"));
    music_->setObjectName(QStringLiteral("BGM"));
    music_->setCheckable(true);
    // Qt flips the mark before it reports the click; the game keeps the mark itself, so
    // the flip is undone first and the handler decides.
    connect(music_, &QAction::triggered, this, [this] {
        music_->setChecked(!music_->isChecked());
        form_->BGM_Click();
    });

    barItem("VER", "その他", &Form1::VER_Click);
}

QAction* MainWindow::action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name));
}

void MainWindow::setBackground(int colour) {
    canvas_->setBackground(colour);
    view_->update();
}

void MainWindow::drawPicture(Picture picture, float x, float y) {
    canvas_->drawPicture(picture, x, y);
    view_->update();
}

void MainWindow::drawBox(float x1, float y1, float x2, float y2, int colour) {
    canvas_->drawBox(x1, y1, x2, y2, colour);
    view_->update();
}

void MainWindow::fillBox(float x1, float y1, float x2, float y2, int colour) {
    canvas_->fillBox(x1, y1, x2, y2, colour);
    view_->update();
}

void MainWindow::drawText(float x, float y, std::string_view s, float points, bool bold,
                          int colour) {
    canvas_->drawText(x, y, s, points, bold, colour);
    view_->update();
}

void MainWindow::refresh() {
    if (view_->isVisible()) view_->repaint();
}

void MainWindow::messageBox(std::string_view message, std::string_view title, MessageIcon icon) {
    QString body = text(message);
    body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    text(title), body, QMessageBox::Ok, isVisible() ? this : nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void MainWindow::setMusicChecked(bool checked) {
    music_->setChecked(checked);
}

bool MainWindow::musicChecked() const {
    return music_->isChecked();
}

double MainWindow::seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void MainWindow::sleep(double s) {
    if (s > 0) std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

float MainWindow::top() const {
    return twipsOf(frameGeometry().y());
}

void MainWindow::place(float left, float top, float width, float height) {
    move(static_cast<int>(left / 15), static_cast<int>(top / 15));
    // Never smaller than what the game draws, whatever the menu bar takes.
    const QSize need = clientSize() + QSize(0, menuBar()->sizeHint().height());
    resize(std::max(need.width(), static_cast<int>(width / 15)),
           std::max(need.height(), static_cast<int>(height / 15)));
}

std::int32_t MainWindow::handle() const {
    return static_cast<std::int32_t>(winId() & 0x7fffffff);
}

void MainWindow::quit() {
    QApplication::exit(0);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const int code = virtualKey(event->key());
    if (code != 0) form_->Form_KeyDown(code, 0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    form_->Form_Unload(cancel);
    event->accept();
}

int virtualKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    default:
        return 0;
    }
}

} // namespace tarvenko
