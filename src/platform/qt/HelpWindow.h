// 遊び方: how to play, in a window of its own beside the game. Its text is one resource file a
// language, res/help/asobikata.html (Japanese) and asobikata_<code>.html, for a translator to
// edit; its pictures are drawn here from the game's own piece bitmaps.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class QTextBrowser;

namespace tarvenko {

class HelpWindow : public QWidget {
  public:
    explicit HelpWindow(QWidget* parent);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void load(); // the page and title in the language in use
    QTextBrowser* text_ = nullptr;
};

// The picture an <img src="zu:NAME"> of the help text shows: "attack" (the squares a piece
// attacks), "win" (three in a row), "four" (four in a row, no win), "marks" (解析's marks).
// Drawn for a screen of the given device-pixel ratio. Null for any other name.
QImage helpPicture(const QString& name, qreal ratio = 1);

} // namespace tarvenko
