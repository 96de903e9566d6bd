// The real window: a menu bar over a view that shows the canvas. Events go to Form1's
// handlers; Form1 draws, asks and plays through the Window interface implemented here.
#pragma once

#include "analysis/Worker.h"
#include "game/Form1.h"
#include "platform/qt/Canvas.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>

class QAction;

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
    void paintAnalysis(QPainter& p) const;
};

class MainWindow : public QMainWindow, public Window {
  public:
    MainWindow(SoundLibrary& sound, Files& files);
    ~MainWindow() override;

    Form1& form() { return *form_; }
    // Where the record dialogs' folder is kept and where 続きから looks for a kept game.
    void useHome(QtHome* home) { home_ = home; }
    // Runs an event's handler; a close asked for while it waited follows it.
    void handle(const std::function<void(Form1&)>& handler);

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
    std::unique_ptr<Form1> form_;
    QPointer<QWidget> help_;
    QtHome* home_ = nullptr;
    QPointer<QWidget> review_; // a ReviewWindow
    // The analysis runs on this thread beside the game; its results are handed to the game
    // between events, never inside one. Made after the game, so it ends before it.
    std::unique_ptr<analysis::Worker> worker_;
    int busy_ = 0; // inside a handler
    bool resultsWaiting_ = false;
    void deliverAnalysis();
};

// The Windows virtual-key code of a Qt key, 0 when it has none.
int virtualKey(int qtKey);

} // namespace tarvenko
