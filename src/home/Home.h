// What outlives the program, as the game sees it: the settings applied at start and kept at
// the end, each game counted once in the statistics, and the game in progress kept at the end
// and brought back by 続きから. Form1 calls it at a few points; without one nothing is read or
// written.
#pragma once

#include "home/KeptGame.h"
#include "home/Settings.h"
#include "home/Statistics.h"

#include <cstdint>

namespace tarvenko {

class Form1;

class Home {
  public:
    Home(SettingsStore& settings, StatisticsStore& statistics, KeptGamePlace& kept)
        : settingsStore_(settings), statisticsStore_(statistics), kept_(kept) {}

    // Start-up: the remembered strength (the screen half), the music (the sound half).
    void screenLoaded(Form1& f);
    bool musicAtStart();

    // The game on the board is about to give way to a new one, to 最初 or to a record: one
    // not counted yet, with a move, counts as unfinished. A record's game that already ended
    // counts nothing when it ends again on the board.
    void gameLeft(const Form1& f);
    void gameReplaced(const Form1& f, bool recordEnded);
    // A row of three by `winner`; counted once however often 進 reaches it.
    void gameEnded(const Form1& f, int winner);

    // The program ends: the game in progress is kept (the one kept before, if it takes its
    // place, counts as unfinished), then the settings. A game that cannot be kept is told of:
    // a box offers to save its record elsewhere, and a line goes to standard error.
    void programEnds(Form1& f);

    bool hasKeptGame() { return kept_.hasKeptGame(); }
    // 続きから: the newest kept game as 棋譜を開く opens a record, taken from the kept games;
    // one that cannot be read is reported as a record is and moved aside. A game counts once
    // even when its file cannot be removed.
    void resume(Form1& f);

    const Statistics& statistics();
    void resetStatistics();

    // The puzzles solved, by their ids; one solved is kept at once.
    bool puzzleSolved(std::uint32_t id);
    bool anyPuzzleSolved();
    void solvePuzzle(std::uint32_t id);

  private:
    const Settings& settings();
    void count(int mode, int human, int strength, Statistics::Result result);
    void keepElsewhere(Form1& f, const KeptGamePlace::Kept& kept);

    SettingsStore& settingsStore_;
    StatisticsStore& statisticsStore_;
    KeptGamePlace& kept_;
    Settings settings_;
    bool settingsRead_ = false;
    bool musicApplied_ = false; // the sound half ran: the music item tells the player's choice
    Statistics statistics_;
    bool counted_ = false; // the game on the board is counted, or ended before it came here
};

} // namespace tarvenko
