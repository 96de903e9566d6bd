// The exact search: its two questions, how it orders and sifts drops to answer them
// quickly, and the table of what it has proved. It values drops; it does not pick 最強's.
#include "engine/ExactSearch.h"

#include <algorithm>

namespace tarvenko::engine {

namespace {
// Keeps the drops after which the opponent cannot complete a row on one of `threats`. The
// others lose at once. Returns how many are kept, in their order.
int keepDefences(const Position& p, Move* moves, int n, Bits threats) {
    const bool open = (threats & p.attacks[p.toMove]) != 0;
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        if (defends(p, moves[i], threats, open)) moves[kept++] = moves[i];
    }
    return kept;
}

// The side to move, facing `threats`, either has no drop at all, or has one that keeps
// every threat shut, or loses whatever it drops. Drops on the threats are tried first:
// with a single threat, one of them nearly always holds.
enum class Defence { NoDrop, Holds, Lost };
Defence findDefence(const Position& p, Bits threats) {
    const int c = p.toMove;
    const bool open = (threats & p.attacks[c]) != 0;
    bool any = false;
    for (const bool onThreat : {true, false}) {
        for (int k = 1; k <= kindCount; ++k) {
            if (p.hand[c][k] == 0) continue;
            const Bits targets = p.dropTargets(k) & (onThreat ? threats : ~threats);
            any |= targets != 0;
            for (Bits t = targets; t;) {
                const Move m{static_cast<std::int8_t>(popLowest(t)), static_cast<std::int8_t>(k)};
                if (defends(p, m, threats, open)) return Defence::Holds;
            }
        }
    }
    return any ? Defence::Lost : Defence::NoDrop;
}

// Sorts the drops by how much room they leave the side that answers: the squares it may
// use after them (all empty squares when the mover then attacks none), more when one of
// them lies in line with the answering side's pieces. `near` drops go first; every group
// keeps the generator's order among equals.
void byRoom(const Position& p, Move* moves, int n, Bits near, Bits answerNear, std::uint64_t* keys,
            Move* scratch) {
    const int c = p.toMove;
    for (int i = 0; i < n; ++i) {
        const Move m = moves[i];
        const Bits a = p.attacksAfterDrop(c, m.sq, m.kind);
        const int room = a ? count(a) + (a & answerNear ? 40 : 0) : 120;
        const std::uint64_t key = (has(near, m.sq) ? 0u : 256u) + static_cast<unsigned>(room);
        keys[i] = (key << 16) | static_cast<std::uint64_t>(i);
    }
    std::sort(keys, keys + n);
    for (int i = 0; i < n; ++i) scratch[i] = moves[keys[i] & 0xFFFF];
    std::copy(scratch, scratch + n, moves);
}

// Moves the drop m, when it is in the list, to the front.
void tryFirst(Move* moves, int n, Move m) {
    for (int i = 1; i < n; ++i) {
        if (moves[i] == m) {
            std::rotate(moves, moves + i, moves + i + 1);
            return;
        }
    }
}

// Squares within two steps along a line of a set: where a drop can make a new winning square.
Bits nearLines(Bits b) {
    Bits r = 0;
    for (int d = 0; d < 8; ++d) {
        const Bits one = stepped(b, d);
        r |= one | stepped(one, d);
    }
    return r;
}

// For every square, the lines of three that hold it, each as the set of its other two
// squares: a drop on the square with an own piece on one of them makes the other, when it
// is empty, a winning square.
struct Windows {
    Bits others[squareCount][12] = {};
    std::int8_t count[squareCount] = {};
};
constexpr Windows makeWindows() {
    Windows w{};
    constexpr int axis[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
    for (int sq = 0; sq < squareCount; ++sq) {
        for (const auto& a : axis) {
            for (int first = -2; first <= 0; ++first) {
                Bits others = 0;
                bool on = true;
                for (int i = first; i <= first + 2; ++i) {
                    const int x = columnOf(sq) + i * a[0], y = rowOf(sq) + i * a[1];
                    if (x < 1 || x > 9 || y < 1 || y > 9) on = false;
                    if (on && i != 0) others |= bit(squareOf(x, y));
                }
                if (on) w.others[sq][w.count[sq]++] = others;
            }
        }
    }
    return w;
}
constexpr Windows windows = makeWindows();

// The squares where a piece would stand in a line of three with one of `own` and one square
// of `to`: where a drop makes a square of `to` a winning square, or a run longer than three.
Bits linesWith(Bits own, Bits to) {
    Bits r = 0;
    for (int d = 0; d < 8; ++d) {
        r |= before(own & before(to, d), d) | before(to & before(own, d), d) |
             (before(own, d) & before(to, d ^ 1));
    }
    return r;
}

// Whether the drop m, with one drop of the mover's left after it, may win. It wins only if
// the opponent then has no drop that holds, and a holding drop is easy to find unless m
// makes a winning square that the opponent's own pieces reach (where the mover will be
// allowed to drop): those drops are `hot`, linesWith(own pieces, the opponent's lines of
// attack). The others are shown to fail without making the position, by one drop of the
// opponent's that holds. `threats`: the mover's winning squares it may not use now;
// `making`: linesWith(own pieces, empty squares).
bool mayForceInTwo(const Position& p, Move m, Bits threats, Bits hot, Bits making) {
    const int c = p.toMove, o = c ^ 1;
    const int s = m.sq;
    if (has(hot, s)) return true;
    if (!threats && !has(making, s)) return false;
    Bits made = 0;
    if (has(making, s)) {
        const Bits empty = ~p.full;
        for (int i = 0; i < windows.count[s]; ++i) {
            const Bits w = windows.others[s][i];
            if (p.occ[c] & w) made |= w & empty;
        }
    }
    const Bits danger = made | threats;
    // The opponent's pieces reach no square of `danger`, and rays only get shorter. A drop
    // of its own that reaches none either, on a square it will surely be allowed, holds if
    // it leaves the opponent some line of attack: the mover must then drop inside it.
    const Bits on = p.full | bit(s);
    const Bits own = slides(m.kind) ? slideReach(c, m.kind, s, on) : tables.step[c][m.kind][s];
    Bits xs = (own | p.steps[c]) & ~on & allSquares;
    if (!xs) xs = p.attacksAfterDrop(c, s, m.kind);
    if (!xs) xs = ~on & allSquares;
    while (xs) {
        const int x = popLowest(xs);
        const Bits on2 = on | bit(x);
        const bool kept = (p.steps[o] & ~on2) != 0;
        for (int k = 1; k <= kindCount; ++k) {
            if (p.hand[o][k] == 0 || !has(p.droppable(o, k), x)) continue;
            const Bits r = (slides(k) ? slideReach(o, k, x, on2) : tables.step[o][k][x]) & ~on2;
            if (!(r & danger) && (kept || r)) return false;
        }
    }
    return true;
}

} // namespace

// The exact search. Both questions are asked with a number of drops k; an answer found is
// kept and serves every other k it settles: a row forced within k is forced within more, and
// one not forced within k is not forced within fewer.

ExactSearch::Entry& ExactSearch::slot(std::uint64_t key) const {
    const auto i =
        static_cast<std::size_t>((static_cast<unsigned __int128>(key) * tableSlots) >> 64);
    return table_.entries[i];
}

void ExactSearch::begin(bool quickTwo, const std::atomic<bool>* cancel) {
    // The table's entries of other sessions, and of whatever shares its memory, carry
    // other numbers.
    session_ = ++generation_;
    quickTwo_ = quickTwo;
    std::fill(std::begin(killer_), std::end(killer_), Move{});
    cancel_ = cancel;
    nodes_ = 0;
    allow(0);
}

void ExactSearch::resume(const std::atomic<bool>* cancel) {
    cancel_ = cancel;
    nodes_ = 0;
}

void ExactSearch::allow(long nodes) {
    limit_ = nodes_ + nodes;
    stopped_ = false;
}

bool ExactSearch::tick() {
    if (++nodes_ > limit_) stopped_ = true;
    if ((nodes_ & 1023) == 0 && cancel_ && cancel_->load(std::memory_order_relaxed))
        stopped_ = true;
    return !stopped_;
}

bool ExactSearch::wins(const Position& p, int k, int ply, bool passed) {
    if (!tick()) return false;
    if (hasWinningDrop(p)) return true;
    if (k <= 1 || ply >= maxPly - 2) return false;
    Entry& e = slot(p.key);
    if (e.key == p.key && e.generation == session_) {
        if (e.winYes != 0 && e.winYes <= k) return true;
        if (e.winNo >= k || e.loseYes != 0) return false;
    }
    Move* moves = lists_.at[ply];
    // With two drops left and no winning square yet, the first must make one: only drops
    // in line with own pieces can, and of those only the few that pass mayForceInTwo.
    const Bits own = p.occ[p.toMove];
    const Bits near = nearLines(own);
    Bits mine = 0, hot = 0, making = 0;
    if (k == 2) {
        mine = threatsOf(p, p.toMove);
        making = near;
        if (quickTwo_) {
            hot = linesWith(own, p.attacks[p.toMove ^ 1]);
            making = linesWith(own, ~p.full & allSquares);
        }
    }
    const bool mustMake = k == 2 && !mine;
    int n = generateDrops(p, moves, mustMake ? making : allSquares);
    bool result = false;
    if (n == 0 && mustMake && generateDrops(p, moves) != 0) {
        // It has drops, but none that can make a winning square.
    } else if (n == 0) {
        if (passed) return false; // neither side can drop: the game cannot end in a row
        Position q = p;
        q.pass();
        result = loses(q, k, ply + 1, true);
    } else {
        const Bits threats = threatsOf(p, p.toMove ^ 1);
        if (threats) n = keepDefences(p, moves, n, threats);
        if (k == 2 && quickTwo_) {
            int kept = 0;
            for (int i = 0; i < n; ++i) {
                if (mayForceInTwo(p, moves[i], mine, hot, making)) moves[kept++] = moves[i];
            }
            n = kept;
        }
        byRoom(p, moves, n, near, nearLines(p.occ[p.toMove ^ 1]), lists_.keys, lists_.sorted);
        // The drop that won in a position beside this one often wins here too.
        tryFirst(moves, n, killer_[ply]);
        for (int i = 0; i < n && !result; ++i) {
            // The answer's slot is read while the drop is made.
            if (k > 2) __builtin_prefetch(&slot(p.keyAfter(moves[i].sq, moves[i].kind)));
            Position q = p;
            q.drop(moves[i].sq, moves[i].kind);
            result = loses(q, k - 1, ply + 1, false);
            if (stopped_) return false;
            if (result) killer_[ply] = moves[i];
        }
    }
    if (stopped_) return false;
    remember(p.key, true, result, k);
    return result;
}

void ExactSearch::remember(std::uint64_t key, bool win, bool proved, int k) {
    Entry& f = slot(key);
    if (f.key != key || f.generation != session_) f = {key, session_, 0, 0, 0, 0};
    std::uint8_t& yes = win ? f.winYes : f.loseYes;
    std::uint8_t& no = win ? f.winNo : f.loseNo;
    if (proved) {
        yes = static_cast<std::uint8_t>(k);
    } else {
        no = static_cast<std::uint8_t>(std::max<int>(no, k));
    }
}

bool ExactSearch::loses(const Position& p, int k, int ply, bool passed) {
    if (!tick()) return false;
    if (hasWinningDrop(p)) return false;
    const int attacker = p.toMove ^ 1;
    const Bits threats = threatsOf(p, attacker);
    // The defender's drop never makes a winning square for the attacker.
    if (k <= 1 && !threats) return false;
    if (ply >= maxPly - 2) return false;
    // With one drop left to the attacker, only whether some drop holds matters; finding
    // out costs less than looking it up.
    const Defence defence = k <= 1 ? findDefence(p, threats) : Defence::NoDrop;
    if (defence != Defence::NoDrop) return defence == Defence::Lost;
    Entry& e = slot(p.key);
    if (e.key == p.key && e.generation == session_) {
        if (e.loseYes != 0 && e.loseYes <= k) return true;
        if (e.loseNo >= k || e.winYes != 0) return false;
    }
    bool result = true;
    // The drop that held in a position beside this one nearly always holds here too, so it
    // is tried before the list of drops is made.
    const Move killer = killer_[ply];
    const bool early =
        !killer.isPass() && p.hand[p.toMove][killer.kind] != 0 &&
        has(p.dropTargets(killer.kind), killer.sq) &&
        (!threats || defends(p, killer, threats, (threats & p.attacks[p.toMove]) != 0));
    if (early) {
        __builtin_prefetch(&slot(p.keyAfter(killer.sq, killer.kind)));
        Position q = p;
        q.drop(killer.sq, killer.kind);
        result = wins(q, k, ply + 1, false);
        if (stopped_) return false;
    }
    Move* moves = lists_.at[ply];
    int n = result ? generateDrops(p, moves) : 0;
    if (result && n == 0) {
        if (passed) return false;
        Position q = p;
        q.pass();
        result = wins(q, k, ply + 1, true);
    } else if (result) {
        // Drops that leave a threat open lose at once.
        if (threats) n = keepDefences(p, moves, n, threats);
        if (early) n = static_cast<int>(std::remove(moves, moves + n, killer) - moves);
        // Drops next to the attacker's pieces first: they most often hold.
        byRoom(p, moves, n, 0, nearLines(p.occ[attacker]), lists_.keys, lists_.sorted);
        for (int i = 0; i < n && result; ++i) {
            __builtin_prefetch(&slot(p.keyAfter(moves[i].sq, moves[i].kind)));
            Position q = p;
            q.drop(moves[i].sq, moves[i].kind);
            result = wins(q, k, ply + 1, false);
            if (stopped_) return false;
            if (!result) killer_[ply] = moves[i];
        }
    }
    if (stopped_) return false;
    remember(p.key, false, result, k);
    return result;
}

Value ExactSearch::dropValue(const Position& p, Move m, long nodes, int& notWithin) {
    notWithin = 0;
    if (has(p.wins[p.toMove], m.sq)) return {Value::Win, 1};
    notWithin = 1;
    Position q = p;
    q.drop(m.sq, m.kind);
    allow(nodes);
    // Beyond the pieces left in the hands nothing more can happen.
    const int most = q.mostInHand();
    for (int d = 1; d <= most; ++d) {
        const bool theirs = wins(q, d, 1, false);
        if (stopped_) return {};
        if (theirs) {
            notWithin = 99;
            return {Value::Loss, static_cast<std::int8_t>(d)};
        }
        const bool mine = loses(q, d, 1, false);
        if (stopped_) return {};
        notWithin = d + 1;
        if (mine) return {Value::Win, static_cast<std::int8_t>(d + 1)};
    }
    notWithin = 99;
    return {};
}

ExactSearch::Choice ExactSearch::choose(const Position& p, long nodes, bool quickTwo) {
    begin(quickTwo);
    allow(nodes);
    Move* moves = lists_.at[0];
    const int n = generateDrops(p, moves);
    if (n == 0) return {};
    const int most = p.mostInHand();
    for (int i = 0; i < n; ++i) {
        if (has(p.wins[p.toMove], moves[i].sq)) return {moves[i], {Value::Win, 1}};
    }
    for (int d = 2; d <= most && !stopped_; ++d) {
        const auto in = static_cast<std::int8_t>(d);
        // The first drop, in the generator's order, that wins within d drops.
        if (wins(p, d, 0, false)) {
            generateDrops(p, moves); // the search has reordered the list
            for (int i = 0; i < n; ++i) {
                Position q = p;
                q.drop(moves[i].sq, moves[i].kind);
                if (loses(q, d - 1, 1, false)) return {moves[i], {Value::Win, in}};
                if (stopped_) return {};
            }
            return {}; // not reached: a win within d has such a drop
        }
        if (stopped_) break;
        // Every drop lost within d: the first that the opponent cannot win within d - 1.
        if (loses(p, d, 0, false)) {
            generateDrops(p, moves);
            for (int i = 0; i < n; ++i) {
                Position q = p;
                q.drop(moves[i].sq, moves[i].kind);
                const bool sooner = wins(q, d - 1, 1, false);
                if (stopped_) return {};
                if (!sooner) return {moves[i], {Value::Loss, in}};
            }
            return {};
        }
    }
    return {};
}

} // namespace tarvenko::engine
