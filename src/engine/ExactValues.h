// Exact values of a position and of every drop its side to move may make: a forced row of
// three, proved against every reply, with the number of drops to it.
//
// How to use it:
//   * One Analyser per thread. It allocates its storage once, when it is made (the exact
//     search's table, the size 最強's is); analyse() and valueOf() allocate nothing.
//   * analyse(p, budget, out) writes one DropValue per drop the side to move may make, in
//     generateDrops' order, and returns how many. Each drop is searched with up to
//     `budget` positions; a drop not settled within them is Unknown. value() then holds
//     the position's value. The same position and budget always give the same values.
//   * Another thread may stop it: pass an atomic flag and set it. analyse() then returns
//     soon (within about a thousand positions), the drops not yet valued are Unknown and
//     cancelled() is true. Nothing of a cancelled call should be shown.
//   * `found`, when given, is called on the analysing thread as soon as each drop's value
//     is known, with its index in `out`, so that a caller can show values as they come.
//
// Definitions, for the side to move (the mover of a drop):
//   Win N:  it forces a row of three; N is its own drops to the shortest forced row, the
//           winning drop included (a drop that completes a row is Win 1).
//   Loss N: the opponent forces a row; N is the opponent's drops to it when the side to
//           move resists longest.
//   Unknown: neither was proved within the budget (or the game can never end in a row).
// A side that can drop nowhere passes, as in play; a pass is no drop and counts for
// nothing. A value is proved, never estimated.
#pragma once

#include "engine/ExactSearch.h"
#include "engine/Search.h"

#include <atomic>
#include <memory>

namespace tarvenko::engine {

class Analyser {
  public:
    // Positions per drop: a position from a real game is valued in a few milliseconds,
    // one in twenty takes more than about a fifth of a second, and a drop left open
    // would need several times as many to settle.
    static constexpr long defaultBudget = 80000;
    // For refine(), while the position stays on the board: rounds of more positions for the
    // drops still open, per drop and for all of them. On positions from real games the two
    // leave about half as many drops unknown as the first look, in a second or two.
    struct Round {
        long each, all;
    };
    static constexpr Round refineRounds[] = {{4 * defaultBudget, 40 * defaultBudget},
                                             {16 * defaultBudget, 80 * defaultBudget}};

    using Found = void (*)(void* context, int index, const DropValue& value);

    Analyser();
    ~Analyser();
    Analyser(const Analyser&) = delete;
    Analyser& operator=(const Analyser&) = delete;

    // Values every drop of the side to move in p into out (room for maxMoves entries).
    int analyse(const Position& p, long budget, DropValue* out,
                const std::atomic<bool>* cancel = nullptr, Found found = nullptr,
                void* context = nullptr);
    // After a whole analyse() of p into out, values again the drops it left Unknown, in
    // order, each with up to `budget` positions and all of them with up to `total`; what the
    // first call proved of the positions below is kept, so nothing is searched twice. Writes
    // each drop it settles into out, tells `found` of it, and updates value(). Returns how
    // many it settled; 0 when the last call was for another position or was cancelled.
    // Stopped through its flag, it is cancelled(); what it settled before holds and may be
    // shown, for the position is the same.
    int refine(const Position& p, long budget, long total, DropValue* out,
               const std::atomic<bool>* cancel = nullptr, Found found = nullptr,
               void* context = nullptr);
    // The value of the position for its side to move, after analyse().
    Value value() const { return value_; }
    // The last call was stopped through its flag.
    bool cancelled() const { return cancelled_; }
    // Positions visited by the last call.
    long nodes() const { return nodes_; }

    // The value of p for its side to move alone, with up to `budget` positions in all;
    // cheaper than valuing every drop.
    Value valueOf(const Position& p, long budget, const std::atomic<bool>* cancel = nullptr);

  private:
    // The position's value from its drops' values so far.
    Value whole(const DropValue* out) const;

    struct Parts; // the exact search and its table, made once
    std::unique_ptr<Parts> parts_;
    ExactSearch& s_;
    Value value_;
    std::uint64_t key_ = 0; // the position of the last whole analyse(), 0 for none
    int drops_ = 0;
    int notWithin_[maxMoves]; // per drop: the mover is proved not to win within this many
    bool cancelled_ = false;
    long nodes_ = 0;
    Move moves_[maxMoves];
    DropValue table_[maxMoves]; // the opening table's values of the start position
};

} // namespace tarvenko::engine
