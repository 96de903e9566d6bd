// What makes a position a puzzle, and how the computer answers in one, both from the
// engine's proved values (engine/ExactValues.h). The generator, the tests and the game ask
// the same functions.
//
// A position is a puzzle of length N (kShortest ≤ N ≤ kLongest) when its side to move forces
// a row of three in N of its drops, exactly one of its drops does so within N, and every other
// drop is proved not to (a loss, or a win in more). A drop left unknown, after the rounds of
// more positions, means the position is not taken.
#pragma once

#include "engine/ExactValues.h"
#include "puzzles/Collection.h"

namespace tarvenko::puzzles {

struct Proof {
    enum Verdict { Puzzle, NotForced, NotUnique, Unknown };
    Verdict verdict = NotForced;
    int length = 0;   // the position's win, when it has one within kLongest
    engine::Move key; // the one drop, for a puzzle
    long nodes = 0;   // positions visited
};

// Is p a puzzle? Its value first, for most positions are not; then every drop.
Proof prove(engine::Analyser& a, const engine::Position& p);

// The computer's answer in a puzzle: of the drops of p's side to move, the one that wins
// fastest or, failing that, resists longest; one left unknown ranks between the two, for
// nothing proved it loses. `value` is the answer's value for the side that makes it, and
// `pass` is set when that side can drop nowhere (then `value` is the position's).
struct Answer {
    bool pass = false;
    engine::Move move;
    engine::Value value;
    long nodes = 0;
};
// `within` is what the puzzle leaves its player after the answer: once the first look proves
// an answer that escapes it (a win, or a loss in more drops), the puzzle is lost whatever the
// others are worth, and no more positions are spent on them.
Answer answer(engine::Analyser& a, const engine::Position& p, int within = kMostDrops);

// The drop of p's side to move that forces its row fastest of those the first look proves, and
// its drops `n`; the rounds of more positions only when none does so within `within`. False
// when none is proved to.
bool fastestWin(engine::Analyser& a, const engine::Position& p, int within, engine::Move& m,
                int& n);

} // namespace tarvenko::puzzles
