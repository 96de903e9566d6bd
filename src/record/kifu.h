// Game records (棋譜) kept in files: the text of a record, checking one against the rules
// before it replaces the game, and saving and opening them with their message boxes.
// The format is described in the README ("Game records").
#pragma once

#include "game/Form1.h"

#include <string>
#include <string_view>

namespace tarvenko::kifu {

// The file name extension and the first line of every record this version writes.
inline constexpr std::string_view 拡張子 = ".tkf";
inline constexpr std::string_view 見出し = "Tarvenko 棋譜 1";

// A drop as a record writes it, "▲５五歩": the mover's mark, the column as counted from
// the right, the row and the piece, for a piece code dropped on (x, y).
std::string 表記(int code, int x, int y);

// The record of f's game as the text of a file. A game whose first move is 後手's (the
// computer, made 後手 before the first move, opens) says so on its second line; `counted`
// (a kept game already in the statistics) on its third.
std::string text(const Form1& f, bool counted = false);

// Why a record was refused: its line, counted from 1, and the reason.
struct Refusal {
    int line = 0;
    std::string reason;
};

// Checks every line of a record under the game's own rules. A good record replaces f's game
// as 進 would leave it (a won game shown won) and the result is true; otherwise nothing of f
// changes, nothing is drawn, and `why` says where and why.
bool load(Form1& f, std::string_view text, Refusal& why);

// Could `side` drop anything at all in f's position? A side that cannot is passed over.
// Uses f's scratch maps (lines of attack, two-pawn flags).
bool canDrop(Form1& f, int side);

// Tells the player, and answers true, when there is no game to save.
bool nothingToSave(Form1& f);

// What 棋譜を保存 and 棋譜を開く do once a file is chosen: a failure shows a message box and
// the game goes on. Saving writes a new file beside the old one and renames it over it; true
// when it is written.
bool save(Form1& f, const std::string& path);
// True when the record replaced the game.
bool open(Form1& f, const std::string& path);
// The same for a record already read, `name` being its file's own name; and the box of one
// that could not be read, for `problem` (a text of readRecord's).
bool openText(Form1& f, std::string_view name, std::string_view text);
void cannotOpen(Form1& f, std::string_view name, const char* problem);

// A file's text as 棋譜を開く reads it, or why it cannot be had (untranslated; nullptr when
// `body` holds it): a regular file of at most 64 KiB, never waited on.
const char* readRecord(Files& files, const std::string& path, std::string& body);
// Would the text open as a record?
bool isRecord(std::string_view text);

// Who played a record's game (mode, the human's side, the strength), whether its moves end
// in a row of three and whether it was counted already; false when it is not a good record.
struct Summary {
    int mode = 0, human = 0, strength = 0;
    bool ended = false, counted = false;
};
bool summarize(std::string_view text, Summary& summary);

// The file's own name, as a message names it; why Files::replace failed, untranslated.
std::string nameOf(std::string path);
const char* whyNotWritten(Files::Written w);

} // namespace tarvenko::kifu
