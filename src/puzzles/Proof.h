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

// Values every drop of p, with rounds of more positions for those left unknown; returns how
// many drops were written to out (room for engine::maxMoves).
int valueDrops(engine::Analyser& a, const engine::Position& p, engine::DropValue* out);

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
Answer answer(engine::Analyser& a, const engine::Position& p);

// The drop of p's side to move that forces its row fastest; false when none is proved.
bool fastestWin(engine::Analyser& a, const engine::Position& p, engine::Move& m, int& n);

} // namespace tarvenko::puzzles
