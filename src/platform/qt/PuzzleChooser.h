// The boxes puzzles ask for: the chooser of 対局 → 詰め問題… and a message box with buttons of
// the game's own.
#pragma once

#include "platform/Window.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace tarvenko {

// A tab for each length, its puzzles by number with a check mark once solved; the index in
// list.entries of the puzzle to start, or −1 when cancelled.
int choosePuzzle(QWidget* parent, const PuzzleList& list);

// The index of the button chosen; Return chooses the first, Escape and the window's close
// button the last.
int choiceBox(QWidget* parent, const QString& title, const QString& text,
              const QStringList& buttons);

} // namespace tarvenko
