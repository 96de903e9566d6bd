// 棋譜解析: the game's moves with the value after each, and a graph of the game above them,
// in a window of its own beside the board. What it says comes from the game (ReviewView);
// a click on a move or a bar asks the game to show that position.
#pragma once

#include "platform/Window.h"

#include <QWidget>
#include <functional>

class QLabel;
class QTreeWidget;

namespace tarvenko {

class ReviewGraph;

class ReviewWindow : public QWidget {
  public:
    // goTo(k) shows the position after k moves; closed() follows the window's closing.
    ReviewWindow(QWidget* parent, std::function<void(int)> goTo, std::function<void()> closed);
    // Shows the view, bringing the window up the first time.
    void present(const ReviewView& view);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    std::function<void(int)> goTo_;
    std::function<void()> closed_;
    ReviewGraph* graph_;
    QTreeWidget* list_;
    QLabel* line_; // the proved line of the position on the board
    QLabel* status_;
};

} // namespace tarvenko
