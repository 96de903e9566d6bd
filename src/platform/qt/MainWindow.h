// The real window: a menu bar over a view that shows the canvas. Events go to Form1's
// handlers; Form1 draws, asks and plays through the Window interface implemented here.
#pragma once

#include "analysis/Worker.h"
#include "game/Form1.h"
#include "platform/qt/Canvas.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

class QAction;
class QTimer;

namespace tarvenko {

class MainWindow;
class QtHome;

// Shows the canvas; the paint event only copies it.
class BoardView : public QWidget {
  public:
    BoardView(MainWindow& owner, Canvas& canvas);

    // The picture's size in logical pixels: the view's at the default size, and its least.
    void setPictureSize(QSize size);
    QSize pictureSize() const { return picture_; }
    // The picture's scale and place for the view's current size.
    PictureScale fittedScale() const;

  protected:
    bool event(QEvent* event) override; // the tooltip of a square
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class MainWindow;
    QSize deviceSize() const;
    void fitPicture();
    // The device pixels of the keyboard cursor's outline, through the picture's scale.
    QRect cursorInDevice() const;

    MainWindow& owner_;
    Canvas& canvas_;
    QSize picture_;
    // The keyboard cursor's square outline in logical pixels; empty while hidden.
    QRect cursor_;
    int cursorColour_ = 0;
    // The analysis's marks and line, in twips, over the image like the cursor.
    AnalysisView analysis_;
    QString analysisLine_;
    QString analysisMoves_; // the proved line, wrapped under the line
    void paintAnalysis(QPainter& p) const;
    // The twips of the client area under a point of the view.
    QPointF twipsAt(QPointF position) const;
};

class MainWindow : public QMainWindow, public Window {
  public:
    MainWindow(SoundLibrary& sound, Files& files);
    ~MainWindow() override;

    Form1& form() { return *form_; }
    // Where the record dialogs' folder is kept and where 続きから looks for a kept game.
    void useHome(QtHome* home) { home_ = home; }
    // A signal ends the program: the window closes as by its close button, asking nothing;
    // a question of the ending already shown is answered "end without it".
    void endForSignal();
    // Runs an event's handler; a close asked for while it waited follows it.
    void handle(const std::function<void(Form1&)>& handler);
    // Opens game records (file-name bytes) as 棋譜を開く does with a file chosen, one after
    // another, each once no handler runs and no box waits for an answer.
    void openRecords(const QList<QByteArray>& records);
    // The program was started again on this display: the window comes to the front (back
    // from the task bar if it was minimised) and opens the records that start was given.
    // Returns at once (the records open from the event loop); false, doing nothing, once the
    // game has ended.
    bool startedAgain(const QList<QByteArray>& records);
    // Called as the game ends, before the program winds down.
    void whenEnding(std::function<void()> ending) { ending_ = std::move(ending); }

    // Window
    void setBackground(int colour) override;
    void drawPicture(Picture picture, float x, float y) override;
    void drawBox(float x1, float y1, float x2, float y2, int colour) override;
    void fillBox(float x1, float y1, float x2, float y2, int colour) override;
    void drawText(float x, float y, std::string_view text, float points, bool bold,
                  int colour) override;
    void refresh() override;
    void messageBox(std::string_view text, std::string_view title, MessageIcon icon) override;
    void setMusicChecked(bool checked) override;
    bool musicChecked() const override;
    double seconds() override;
    void sleep(double seconds) override;
    float top() const override;
    void place(float left, float top, float width, float height) override;
    std::int32_t handle() const override;
    void quit() override;
    void showCursor(bool shown, float x1, float y1, float x2, float y2, int colour) override;
    std::string askRecordPath(bool save) override;
    void showStrength(int strength) override;
    void showHelp() override;
    bool statisticsBox(std::string_view text, std::string_view title) override;
    bool askSaveElsewhere(std::string_view text, std::string_view title) override;
    void setItemChecked(const char* item, bool checked) override;
    void showAnalysis(const AnalysisView& view) override;
    void showReview(const ReviewView& view) override;
    int choiceBox(std::string_view text, std::string_view title, const std::string_view* buttons,
                  int count) override;
    int choosePuzzle(const PuzzleList& list) override;

    // The client area that holds everything the game draws, in logical pixels.
    static QSize clientSize();

    // The window's size and state, for keeping them from one run to the next: its size when
    // neither maximised nor full screen, and which of those it is. Applying one before the
    // window is shown opens it so; a size below the default gives the default.
    struct Placement {
        QSize size;
        bool maximised = false;
        bool fullScreen = false;
    };
    Placement placement() const;
    void applyPlacement(const Placement& placement);
    // Full screen on or off (F11, ｵﾌﾟｼｮﾝ → 全画面表示); off returns to the state before it.
    void setFullScreen(bool on);
    // Keeps the 棋譜解析 window's place and size with the settings, when it has been shown.
    void rememberReview();
    // What the analysis says of the square at (x, y) twips, for its tooltip; empty for nothing.
    QString tipAt(QPointF twips) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void buildMenus();
    void markLanguage(); // the mark on the language in use

    std::unique_ptr<Canvas> canvas_;
    BoardView* view_ = nullptr;
    QAction* music_ = nullptr;
    QAction* fullScreen_ = nullptr;
    bool waiting_ = false;      // inside sleep(): only painting goes on
    bool closePending_ = false; // the window was closed during a wait
    bool signalled_ = false;    // ending for a signal: nothing more is asked
    std::unique_ptr<Form1> form_;
    QPointer<QWidget> help_;
    QtHome* home_ = nullptr;
    QPointer<QWidget> review_; // a ReviewWindow
    // Where 棋譜解析 opens: where it was left, else beside this window; always on a screen.
    void placeReview(QWidget& review);
    // The analysis runs on this thread beside the game; its results are handed to the game
    // between events, never inside one. Made after the game, so it ends before it.
    // The analysis's thread, made at the first request: a player who never uses 解析 or
    // 棋譜解析 never has it (its mailbox alone is some 70 kB).
    class LazyWorker final : public analysis::Runner {
      public:
        explicit LazyWorker(MainWindow& window) : window_(window) {}
        void start(const analysis::Request& r) override;
        void cancel(analysis::Request::Kind kind) override;
        analysis::Worker* made() { return worker_.get(); }
        void reset() { worker_.reset(); }

      private:
        MainWindow& window_;
        std::unique_ptr<analysis::Worker> worker_;
    };
    LazyWorker worker_{*this};
    // The keyboard cursor resting on a square shows that square's tooltip.
    QTimer* cursorRest_ = nullptr;
    void showCursorTip();
    int busy_ = 0; // inside a handler
    QList<QByteArray> recordsWaiting_;
    bool recordsLater_ = false; // a look at recordsWaiting_ is on its way
    std::function<void()> ending_;
    void openWaitingRecords();
    void openRecordsLater(int milliseconds);
    bool resultsWaiting_ = false;
    void deliverAnalysis();
};

// The Windows virtual-key code of a Qt key, 0 when it has none.
int virtualKey(int qtKey);

} // namespace tarvenko
