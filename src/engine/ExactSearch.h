// The exact search: whether the side to move forces a row within k of its own drops, or the
// opponent within k of theirs, over every drop and every reply. What it finds is proved;
// the analysis's values and 最強's perfect play come from it. It estimates nothing.
#pragma once

#include "engine/Drops.h"

#include <atomic>
#include <cstdint>

namespace tarvenko::engine {

// What a position or a drop is worth to the side that moves (ExactValues.h says more).
struct Value {
    enum Kind : std::int8_t { Unknown, Win, Loss };
    Kind kind = Unknown;
    std::int8_t n = 0; // the drops, for Win and Loss
    bool known() const { return kind != Unknown; }
    bool operator==(const Value&) const = default;
};

struct DropValue {
    Move move;
    Value value;
};

class ExactSearch {
  public:
    // What is known of a position: the fewest own drops it was found to force a row within,
    // the most it was found not to, and the same for being lost; 0 for not known.
    struct Entry {
        std::uint64_t key;
        std::uint32_t generation;
        std::uint8_t winYes, winNo, loseYes, loseNo;
    };
    // 6 MiB of entries, the size of the proof search's table, whose memory 最強 lends it.
    static constexpr std::size_t tableSlots = (std::size_t{6} << 20) / sizeof(Entry);
    struct Table {
        Entry entries[tableSlots];
    };

    // Keeps what it proves in `table`, which starts zeroed, and numbers its sessions with
    // `generation`, which it may share with another table in the same memory; works in
    // `lists`.
    ExactSearch(Table& table, DropLists& lists, std::uint32_t& generation)
        : table_(table), lists_(lists), generation_(generation) {}
    ExactSearch(const ExactSearch&) = delete;
    ExactSearch& operator=(const ExactSearch&) = delete;

    // A new session: what earlier ones proved is forgotten, the count of positions starts
    // from 0 and nothing may be visited until allow(). With two drops left, `quickTwo` shows
    // most drops to fail without making them; without it each is made and counted. A set
    // `cancel` stops the search within about a thousand positions.
    void begin(bool quickTwo, const std::atomic<bool>* cancel = nullptr);
    // The same session goes on, all it proved still known, counting from 0 again.
    void resume(const std::atomic<bool>* cancel);
    // The next `nodes` positions may be visited, from the count so far.
    void allow(long nodes);
    // The allowance ran out, or `cancel` was set.
    bool stopped() const { return stopped_; }
    // Stopped through `cancel`.
    bool cancelled() const { return stopped_ && cancel_ && cancel_->load(); }
    // Positions visited since begin() or resume().
    long nodes() const { return nodes_; }

    // Whether the side to move in p forces a row within k of its own drops, and whether
    // every drop it may make lets the opponent force one within k of theirs; false also
    // when stopped. p is at `ply` of the lists (and of the drops remembered per ply): the
    // rows above are left as they are.
    bool winsWithin(const Position& p, int k, int ply = 0) { return wins(p, k, ply, false); }
    bool losesWithin(const Position& p, int k, int ply = 0) { return loses(p, k, ply, false); }

    // The value of the drop m in p, with up to `nodes` more positions. `notWithin` is set
    // to the number of drops within which the mover is proved not to win with it.
    Value dropValue(const Position& p, Move m, long nodes, int& notWithin);

    // In a session of its own with up to `nodes` positions: the drop that wins fastest, the
    // first in the generator's order, or, when every drop loses, the first that resists
    // longest; with its value. A pass when neither is proved.
    struct Choice {
        Move move;
        Value value;
    };
    Choice choose(const Position& p, long nodes, bool quickTwo);

  private:
    Entry& slot(std::uint64_t key) const;
    // Keeps what a search of k drops proved of a position: for the side to move's own row
    // (win) or the opponent's (loss), that it comes within k drops, or that it does not.
    void remember(std::uint64_t key, bool win, bool proved, int k);
    // Counts a position; false once the allowance is used or the caller asked to stop.
    bool tick();
    bool wins(const Position& p, int k, int ply, bool passed);
    bool loses(const Position& p, int k, int ply, bool passed);

    Table& table_;
    DropLists& lists_;
    std::uint32_t& generation_;
    std::uint32_t session_ = 0; // the generation of this session's entries
    bool quickTwo_ = false;
    const std::atomic<bool>* cancel_ = nullptr;
    long nodes_ = 0;
    long limit_ = 0;
    bool stopped_ = false;
    Move killer_[maxPly] = {}; // the last drop at a ply that settled its position
};

} // namespace tarvenko::engine
