#include "platform/qt/MainWindow.h"

#include "game/menu_table.h"
#include "platform/qt/HelpWindow.h"
#include "platform/qt/Language.h"
#include "platform/qt/PuzzleChooser.h"
#include "platform/qt/QtHome.h"
#include "platform/qt/ReviewWindow.h"
#include "record/kifu.h"
#include "texts/Texts.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGridLayout>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QLayout>
#include <QPainter>
#include <QPushButton>
#include <QRegion>
#include <QResizeEvent>
#include <QScreen>
#include <QSpacerItem>
#include <QTimer>
#include <QWindow>
#include <QStandardPaths>
#include <QTimer>
#include <QToolTip>
#include "platform/ScreenPlace.h"
#include <chrono>
#include <cmath>
#include <iterator>
#include <map>
#include <thread>
#include <utility>

namespace tarvenko {

namespace {

// The items of the language menu are LANG_<code>; each chooses its language.
constexpr std::string_view kLanguagePrefix = "LANG_";

QString languageOf(const MenuItem& m) {
    const std::string_view name = m.name;
    if (name.substr(0, kLanguagePrefix.size()) != kLanguagePrefix) return {};
    return QString::fromLatin1(name.substr(kLanguagePrefix.size())).toLower();
}

float twipsOf(double pixels) {
    return static_cast<float>(pixels * 15.0);
}

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Where the window's frame goes: the top-left corner of the screen's area that panels and docks
// leave free.
QPoint frameCorner(const QWidget& window) {
    const QScreen* screen = window.screen();
    return screen ? screen->availableGeometry().topLeft() : QPoint();
}

} // namespace

QSize MainWindow::clientSize() {
    // The right edge of 先手's last-move box (x = 9043.5 twips) and the lowest text box
    // (y = 6322.5 twips) set the size; a little margin keeps them off the frame.
    return QSize(606, 440);
}

BoardView::BoardView(MainWindow& owner, Canvas& canvas)
    : owner_(owner), canvas_(canvas), picture_(MainWindow::clientSize()) {
    setMinimumSize(picture_);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A square's tooltip also while 棋譜解析, beside it, has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::StrongFocus);
}

void BoardView::setPictureSize(QSize size) {
    picture_ = size.expandedTo(MainWindow::clientSize());
    setMinimumSize(picture_);
    fitPicture();
}

void BoardView::fitPicture() {
    // The whole picture is drawn again for a new size; at the default size, where nothing
    // moves, the image is kept as it is.
    const PictureScale scale = fittedScale();
    const QSize device = deviceSize();
    const QSize have = canvas_.image().size();
    if (scale == canvas_.scale() && have.width() >= device.width() &&
        have.height() >= device.height())
        return;
    canvas_.setScale(device, scale);
}

QSize BoardView::deviceSize() const {
    const qreal ratio = canvas_.ratio();
    return QSize(static_cast<int>(std::ceil(width() * ratio)),
                 static_cast<int>(std::ceil(height() * ratio)));
}

PictureScale BoardView::fittedScale() const {
    const QSize device = deviceSize();
    return PictureScale::fit(device.width(), device.height(), picture_.width(), picture_.height(),
                             canvas_.ratio());
}

void BoardView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitPicture();
}

QRect BoardView::cursorInDevice() const {
    if (cursor_.isEmpty()) return {};
    const PictureScale& s = canvas_.scale();
    const int w = s.lineWidth();
    const int l = s.x(cursor_.left()), t = s.y(cursor_.top());
    const int r = s.x(cursor_.right()), b = s.y(cursor_.bottom());
    return QRect(QPoint(l, t), QPoint(r + w - 1, b + w - 1));
}

void BoardView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    // Beyond the image the window is plain background; under it the image covers everything.
    const QImage& image = canvas_.image();
    const QRegion beyond =
        QRegion(event->rect()) - QRect(QPoint(0, 0), image.deviceIndependentSize().toSize());
    for (const QRect& r : beyond) p.fillRect(r, Canvas::colour(canvas_.background()));
    p.drawImage(QPointF(0, 0), image);
    if (analysis_.count > 0 || !analysisLine_.isEmpty()) paintAnalysis(p);
    if (!cursor_.isEmpty()) {
        // Two line widths wide, just inside the square's own outline, which stays visible; in
        // device pixels, so that its edges fall where the outline's do.
        const PictureScale& s = canvas_.scale();
        const int w = s.lineWidth();
        const int l = s.x(cursor_.left()) + w, t = s.y(cursor_.top()) + w;
        const int r = s.x(cursor_.right()), b = s.y(cursor_.bottom());
        const QColor c = Canvas::colour(cursorColour_);
        const qreal ratio = image.devicePixelRatio();
        if (ratio != 1.0) p.scale(1 / ratio, 1 / ratio);
        const QRectF sides[] = {QRectF(l, t, r - l, 2 * w), QRectF(l, b - 2 * w, r - l, 2 * w),
                                QRectF(l, t, 2 * w, b - t), QRectF(r - 2 * w, t, 2 * w, b - t)};
        for (const QRectF& side : sides) p.fillRect(side, c);
    }
}

void BoardView::paintAnalysis(QPainter& p) const {
    // In device pixels through the picture's scale, as the cursor: the marks stay on their
    // squares and grow with the window.
    const PictureScale& s = canvas_.scale();
    const auto device = [&s](float x1, float y1, float x2, float y2) {
        return QRectF(QPointF(s.x(Canvas::pixel(x1)), s.y(Canvas::pixel(y1))),
                      QPointF(s.x(Canvas::pixel(x2)), s.y(Canvas::pixel(y2))));
    };
    p.save();
    const qreal ratio = canvas_.image().devicePixelRatio();
    if (ratio != 1.0) p.scale(1 / ratio, 1 / ratio);
    for (int i = 0; i < analysis_.count; ++i) {
        const AnalysisMark& m = analysis_.marks[i];
        paintAnalysisMark(p, device(m.x1, m.y1, m.x2, m.y2), m.win, m.n);
    }
    if (!analysisLine_.isEmpty()) {
        p.setFont(Canvas::font(static_cast<float>(analysis_.points * s.k), false));
        p.setPen(Canvas::colour(15));
        const qreal left = s.x(Canvas::pixel(analysis_.lineX));
        const qreal top = s.y(Canvas::pixel(analysis_.lineY));
        p.drawText(QPointF(left, top + p.fontMetrics().ascent()), analysisLine_);
        if (!analysisMoves_.isEmpty()) {
            // The line of play under it, as many lines as it takes, up to the picture's edge.
            const QRectF room(QPointF(left, top + p.fontMetrics().lineSpacing()),
                              QPointF(s.x(picture_.width()), s.y(picture_.height())));
            p.drawText(room, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, analysisMoves_);
        }
    }
    p.restore();
}

QPointF BoardView::twipsAt(QPointF position) const {
    // The device pixel under the pointer counts as the logical pixel drawn there, at any size.
    const qreal ratio = canvas_.ratio();
    const PictureScale& s = canvas_.scale();
    const QPointF pos = position * ratio;
    return QPointF(twipsOf(s.pointX(static_cast<int>(std::floor(pos.x())))),
                   twipsOf(s.pointY(static_cast<int>(std::floor(pos.y())))));
}

bool BoardView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = owner_.tipAt(twipsAt(help->pos()));
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
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
    const QPointF at = twipsAt(event->position());
    const auto x = static_cast<float>(at.x()), y = static_cast<float>(at.y());
    owner_.handle([&](Form1& form) { form.Form_MouseDown(button, 0, x, y); });
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
    form_->解析().use(&worker_);
    cursorRest_ = new QTimer(this);
    cursorRest_->setSingleShot(true);
    cursorRest_->setInterval(700); // about when a resting pointer gets its tooltip
    connect(cursorRest_, &QTimer::timeout, this, [this] { showCursorTip(); });
    // 棋譜解析 needs a move to look at.
    if (auto* stop = findChild<QMenu*>(QStringLiteral("STOP"))) {
        connect(stop, &QMenu::aboutToShow, this, [this] {
            if (auto* a = findChild<QAction*>(QStringLiteral("REVIEW")))
                a->setEnabled(form_->手順最大 > 0);
        });
    }
}

MainWindow::~MainWindow() {
    form_->解析().use(nullptr);
    worker_.reset();
}

void MainWindow::LazyWorker::start(const analysis::Request& r) {
    if (!worker_) {
        worker_ = std::make_unique<analysis::Worker>([this] {
            QMetaObject::invokeMethod(
                &window_, [this] { window_.deliverAnalysis(); }, Qt::QueuedConnection);
        });
    }
    worker_->start(r);
}

void MainWindow::LazyWorker::cancel(analysis::Request::Kind kind) {
    if (worker_) worker_->cancel(kind);
}

void MainWindow::deliverAnalysis() {
    if (busy_ > 0) {
        resultsWaiting_ = true; // handed over once the handler is done
        return;
    }
    resultsWaiting_ = false;
    if (analysis::Worker* worker = worker_.made()) worker->deliver(form_->解析());
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    std::map<int, QActionGroup*> groups;
    for (const MenuItem& m : kMenu) {
        QMenu* parent = *m.parent ? findChild<QMenu*>(QString::fromLatin1(m.parent)) : nullptr;
        QAction* a = nullptr;
        switch (m.kind) {
        case MenuItem::Separator:
            if (parent) parent->addSeparator();
            continue;
        case MenuItem::Submenu: {
            QMenu* menu =
                parent ? parent->addMenu(text(訳(m.caption))) : bar->addMenu(text(訳(m.caption)));
            menu->setObjectName(QString::fromLatin1(m.name));
            a = menu->menuAction();
            break;
        }
        case MenuItem::Command:
            a = parent ? parent->addAction(text(訳(m.caption)))
                       : bar->addAction(text(訳(m.caption)));
            a->setObjectName(QString::fromLatin1(m.name));
            break;
        }
        if (*m.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(m.shortcut)));
        if (m.group != 0) {
            // An exclusive group: Qt moves the one mark to the item clicked.
            QActionGroup*& group = groups[m.group];
            const bool first = group == nullptr;
            if (first) group = new QActionGroup(this);
            a->setCheckable(true);
            a->setChecked(first);
            group->addAction(a);
        } else if (m.checkable) {
            a->setCheckable(true);
        }
        if (m.handler == nullptr) continue;
        const auto handler = m.handler;
        const bool keepsMark = m.checkable && m.group == 0;
        connect(a, &QAction::triggered, this, [this, a, handler, keepsMark] {
            // Qt flips the mark before it reports the click; the game keeps the mark itself,
            // so the flip is undone first and the handler decides.
            if (keepsMark) a->setChecked(!a->isChecked());
            handle([handler](Form1& form) { (form.*handler)(); });
        });
    }
    music_ = findChild<QAction*>(QStringLiteral("BGM"));
    // 続きから only while there is a kept game to bring back.
    if (auto* resume = findChild<QAction*>(QStringLiteral("RESUME"))) {
        resume->setEnabled(false);
        connect(findChild<QMenu*>(QStringLiteral("STOP")), &QMenu::aboutToShow, resume,
                [this, resume] { resume->setEnabled(home_ != nullptr && home_->hasKeptGame()); });
    }
    for (const MenuItem& m : kMenu) {
        const QString code = languageOf(m);
        if (code.isEmpty()) continue;
        if (auto* a = findChild<QAction*>(QString::fromLatin1(m.name)))
            connect(a, &QAction::triggered, this, [code] { language::chosen(code); });
    }
    markLanguage();
    // Full screen is the window's own matter: its mark follows the window's state.
    fullScreen_ = findChild<QAction*>(QStringLiteral("FULLSCREEN"));
    if (fullScreen_) {
        connect(fullScreen_, &QAction::triggered, this, [this] {
            fullScreen_->setChecked(isFullScreen());
            setFullScreen(!isFullScreen());
        });
    }
}

void MainWindow::markLanguage() {
    for (const MenuItem& m : kMenu) {
        const QString code = languageOf(m);
        if (code.isEmpty()) continue;
        if (auto* a = findChild<QAction*>(QString::fromLatin1(m.name)))
            a->setChecked(language::current() == code);
    }
}

void MainWindow::setFullScreen(bool on) {
    if (on == isFullScreen()) return;
    // The maximised flag stays beside full screen, so leaving it returns to maximised.
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        // The same menus in the new language; the game goes on.
        for (const MenuItem& m : kMenu) {
            if (m.kind == MenuItem::Separator) continue;
            const QString name = QString::fromLatin1(m.name);
            if (m.kind == MenuItem::Submenu) {
                if (auto* menu = findChild<QMenu*>(name)) menu->setTitle(text(訳(m.caption)));
            } else if (auto* a = findChild<QAction*>(name)) {
                a->setText(text(訳(m.caption)));
            }
        }
        markLanguage();
        if (form_) form_->文字を描き直す();
    }
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && fullScreen_) {
        fullScreen_->setChecked(isFullScreen());
    }
}

MainWindow::Placement MainWindow::placement() const {
    Placement p;
    p.size = (isMaximized() || isFullScreen()) ? normalGeometry().size() : size();
    p.maximised = isMaximized();
    p.fullScreen = isFullScreen();
    return p;
}

void MainWindow::applyPlacement(const Placement& p) {
    if (p.size.isValid()) resize(p.size.expandedTo(minimumSizeHint()));
    Qt::WindowStates state = windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen);
    if (p.maximised) state |= Qt::WindowMaximized;
    if (p.fullScreen) state |= Qt::WindowFullScreen;
    setWindowState(state);
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
    // Qt sizes a box for its text, and its allowance for the title is too small for a window
    // manager's bold caption beside an icon and three buttons: short texts under longer titles
    // got their titles cut. The box is made as wide as its title needs in the title-bar font.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
        font.setBold(true);
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(box.windowTitle()) + 6 * metrics.height();
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

void MainWindow::setMusicChecked(bool checked) {
    music_->setChecked(checked);
}

bool MainWindow::musicChecked() const {
    return music_->isChecked();
}

void MainWindow::showStrength(int strength) {
    static constexpr const char* items[] = {"LEVEL_STANDARD", "LEVEL_STRONG", "LEVEL_STRONGEST"};
    if (strength < 0 || strength >= static_cast<int>(std::size(items))) return;
    if (auto* a = findChild<QAction*>(QString::fromLatin1(items[strength]))) a->setChecked(true);
}

double MainWindow::seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void MainWindow::sleep(double s) {
    // The window keeps painting itself (a part uncovered meanwhile is drawn again); clicks,
    // keys and closing wait until the handler that waits is done.
    waiting_ = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    waiting_ = false;
    if (s > 0) std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

void MainWindow::handle(const std::function<void(Form1&)>& handler) {
    ++busy_;
    handler(*form_);
    --busy_;
    if (busy_ == 0 && !form_->終了済み()) {
        form_->解析().update();
        if (resultsWaiting_) deliverAnalysis();
    }
    if (closePending_) {
        closePending_ = false;
        close();
    }
    if (busy_ == 0 && !recordsWaiting_.isEmpty()) openRecordsLater(0);
}

void MainWindow::openRecords(const QList<QByteArray>& records) {
    recordsWaiting_ += records;
    openWaitingRecords();
}

void MainWindow::openRecordsLater(int milliseconds) {
    if (recordsLater_) return;
    recordsLater_ = true;
    QTimer::singleShot(milliseconds, this, [this] {
        recordsLater_ = false;
        openWaitingRecords();
    });
}

void MainWindow::openWaitingRecords() {
    if (recordsWaiting_.isEmpty()) return;
    if (form_->終了済み()) {
        recordsWaiting_.clear();
        return;
    }
    // Not inside a handler or its pause, nor under a box that waits for the player (the
    // sound's messages at start come outside any handler): a look again a moment later.
    if (busy_ > 0 || waiting_ || QApplication::activeModalWidget() != nullptr) {
        if (busy_ == 0) openRecordsLater(100);
        return;
    }
    const std::string path = recordsWaiting_.takeFirst().toStdString();
    handle([&path](Form1& form) {
        if (!form.終了済み()) kifu::open(form, path);
    });
}

bool MainWindow::startedAgain(const QList<QByteArray>& records) {
    if (form_->終了済み()) return false;
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    // A box waiting for an answer stays above the window.
    if (QWidget* box = QApplication::activeModalWidget()) {
        box->raise();
        box->activateWindow();
    }
    // From the event loop: a record's boxes wait for the player, and the start that brought
    // it waits for this answer.
    recordsWaiting_ += records;
    openRecordsLater(0);
    return true;
}

float MainWindow::top() const {
    return twipsOf(frameGeometry().y());
}

void MainWindow::place(float /*left*/, float /*top*/, float width, float height) {
    // Never smaller than what the game draws, whatever the menu bar takes.
    const QSize need = clientSize() + QSize(0, menuBar()->sizeHint().height());
    resize(std::max(need.width(), static_cast<int>(width / 15)),
           std::max(need.height(), static_cast<int>(height / 15)));
    // The view's size now is the picture's: its default size, and the least the window takes.
    if (layout()) layout()->activate();
    view_->setPictureSize(view_->size());
    // The game asks for the frame just past the screen's top-left edge, which hides only a
    // border of the size it expects. Frames differ between desktops, and a position that hides
    // more cuts off the caption, the frame's buttons and the menu bar, so the frame goes to the
    // top-left of the free area instead (with no window manager the window is its own frame).
    // Qt places a native window by its frame only when that is asked for last before the window
    // is shown: any move or resize in between places the inside, so it is asked for then.
    move(frameCorner(*this));
    winId();
    windowHandle()->installEventFilter(this);
}

std::int32_t MainWindow::handle() const {
    return static_cast<std::int32_t>(winId() & 0x7fffffff);
}

void MainWindow::quit() {
    if (ending_) ending_();
    QApplication::exit(0);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Show) {
        windowHandle()->setFramePosition(frameCorner(*this));
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::setItemChecked(const char* item, bool checked) {
    if (auto* a = findChild<QAction*>(QString::fromLatin1(item))) a->setChecked(checked);
}

void MainWindow::showAnalysis(const AnalysisView& view) {
    view_->analysis_ = view;
    view_->analysisLine_ = text(view.line);
    view_->analysisMoves_ = text(view.moves);
    view_->analysis_.line = {};
    view_->analysis_.moves = {};
    view_->update();
}

QString MainWindow::tipAt(QPointF twips) const {
    const int X = static_cast<int>(std::floor((twips.x() - Form1::原点X) / Form1::桝幅));
    const int Y = static_cast<int>(std::floor((twips.y() - Form1::原点Y) / Form1::桝高));
    return text(form_->解析().tip(X, Y));
}

void MainWindow::showCursorTip() {
    const QRect device = view_->cursorInDevice();
    if (device.isEmpty()) return;
    const qreal ratio = canvas_->ratio();
    const QRect square(
        QPoint(static_cast<int>(device.left() / ratio), static_cast<int>(device.top() / ratio)),
        QPoint(static_cast<int>(device.right() / ratio),
               static_cast<int>(device.bottom() / ratio)));
    // The cursor's square as a click at its centre would find it.
    const QPointF centre = QRectF(view_->cursor_).center();
    const QString tip = tipAt(QPointF(twipsOf(centre.x()), twipsOf(centre.y())));
    if (tip.isEmpty()) return;
    QToolTip::showText(view_->mapToGlobal(square.bottomRight()), tip, view_, square);
}

void MainWindow::showReview(const ReviewView& view) {
    auto* review = static_cast<ReviewWindow*>(review_.data());
    if (review == nullptr) {
        review = new ReviewWindow(
            this, [this](int k) { handle([k](Form1& form) { form.解析().goTo(k); }); },
            [this] {
                rememberReview();
                form_->解析().endReview();
            });
        review_ = review;
        placeReview(*review);
    }
    review->present(view);
}

void MainWindow::placeReview(QWidget& review) {
    // Its frame is taken to be as thick as the main window's, which the window manager drew.
    const QMargins frame(geometry().left() - frameGeometry().left(),
                         geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(),
                         frameGeometry().bottom() - geometry().bottom());
    const auto box = [](const QRect& r) { return ScreenBox{r.x(), r.y(), r.width(), r.height()}; };
    QRect kept = home_ != nullptr ? home_->reviewPlace() : QRect();
    ScreenBox place;
    if (!kept.isEmpty()) {
        // Where it was left, on the screen it was on if that is still there.
        const QScreen* on = QGuiApplication::screenAt(kept.center());
        if (on == nullptr) on = screen();
        const QRect area = on != nullptr ? on->availableGeometry() : kept;
        place = insideArea({kept.x(), kept.y(), kept.width() + frame.left() + frame.right(),
                            kept.height() + frame.top() + frame.bottom()},
                           box(area));
    } else {
        const QScreen* on = screen();
        const QRect area = on != nullptr ? on->availableGeometry() : frameGeometry();
        const QSize size = review.size().grownBy(frame);
        place = besideMain(box(frameGeometry()), size.width(), size.height(), box(area), 8);
    }
    review.resize(QSize(place.w, place.h).shrunkBy(frame));
    review.move(place.x, place.y);
}

void MainWindow::rememberReview() {
    if (review_ == nullptr || home_ == nullptr || !review_->isVisible()) return;
    const QRect frame = review_->frameGeometry();
    home_->setReviewPlace(QRect(frame.topLeft(), review_->size()));
}

void MainWindow::showCursor(bool shown, float x1, float y1, float x2, float y2, int colour) {
    // The areas to paint again, in logical pixels with a pixel to spare for the rounding.
    const qreal ratio = canvas_->ratio();
    auto logical = [ratio](const QRect& device) {
        if (device.isEmpty()) return QRect();
        return QRectF(QPointF(device.topLeft()) / ratio, QSizeF(device.size()) / ratio)
            .toAlignedRect()
            .adjusted(-1, -1, 1, 1);
    };
    view_->update(logical(view_->cursorInDevice()));
    view_->cursor_ = shown ? QRect(QPoint(Canvas::pixel(x1), Canvas::pixel(y1)),
                                   QPoint(Canvas::pixel(x2), Canvas::pixel(y2)))
                           : QRect();
    view_->cursorColour_ = colour;
    view_->update(logical(view_->cursorInDevice()));
    // A tooltip follows the cursor once it rests.
    QToolTip::hideText();
    if (shown) {
        cursorRest_->start();
    } else {
        cursorRest_->stop();
    }
}

std::string MainWindow::askRecordPath(bool save) {
    // The folder used last; else the documents folder, and without one the home folder (the
    // dialog would take a missing folder's name for a file name).
    QString folder = home_ != nullptr ? home_->recordFolder() : QString();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(folder).exists()) folder = QDir::homePath();
    QFileDialog dialog(this,
                       save ? QCoreApplication::translate("Tarvenko", "棋譜を保存")
                            : QCoreApplication::translate("Tarvenko", "棋譜を開く"),
                       folder, QCoreApplication::translate("Tarvenko", "Tarvenko 棋譜 (*.tkf)"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("tkf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    if (home_ != nullptr) home_->setRecordFolder(QFileInfo(chosen).absolutePath());
    return QFile::encodeName(chosen).toStdString();
}

void MainWindow::showHelp() {
    if (help_ == nullptr) help_ = new HelpWindow(this);
    help_->show();
    help_->raise();
    help_->activateWindow();
}

int MainWindow::choiceBox(std::string_view message, std::string_view title,
                          const std::string_view* buttons, int count) {
    QStringList names;
    for (int i = 0; i < count; ++i) names << text(buttons[i]);
    return tarvenko::choiceBox(this, text(title), text(message), names);
}

int MainWindow::choosePuzzle(const PuzzleList& list) {
    return tarvenko::choosePuzzle(this, list);
}

bool MainWindow::statisticsBox(std::string_view message, std::string_view title) {
    QString body = text(message);
    body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::NoIcon, text(title), body, QMessageBox::Ok, this);
    QPushButton* reset = box.addButton(text(訳("リセット")), QMessageBox::ResetRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    if (box.clickedButton() != reset) return false;
    QMessageBox ask(QMessageBox::Question, text(title), text(訳("成績をすべて消しますか？")),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setDefaultButton(QMessageBox::No);
    return ask.exec() == QMessageBox::Yes;
}

bool MainWindow::askSaveElsewhere(std::string_view message, std::string_view title) {
    if (signalled_) return false;
    QString body = text(message);
    body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::Warning, text(title), body, QMessageBox::NoButton,
                    isVisible() ? this : nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* save = box.addButton(text(訳("別の場所に保存…")), QMessageBox::AcceptRole);
    box.addButton(text(訳("保存せずに終わる")), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.exec();
    return !signalled_ && box.clickedButton() == save;
}

void MainWindow::endForSignal() {
    signalled_ = true;
    if (form_->終了中()) {
        // A box or the record dialog of the ending is open: it is answered, and the ending
        // goes on without asking more.
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
        return;
    }
    close();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const int code = virtualKey(event->key());
    if (code != 0) handle([code](Form1& form) { form.Form_KeyDown(code, 0); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (form_->終了中()) {
        // The ending asks the player something: the window stays until it is answered.
        event->ignore();
        return;
    }
    if (waiting_) {
        // Closing now would end the game inside the waiting handler; it follows that handler.
        closePending_ = true;
        event->ignore();
        return;
    }
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
