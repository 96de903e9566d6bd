#include "engine/Search.h"

#include <algorithm>
#include <cstring>

namespace tarvenko::engine {

namespace {

constexpr int maxPly = 64;
constexpr int ttBits = 17;
constexpr int infinity = 32000;
constexpr int winThreshold = Searcher::winThreshold;
// A proof search fails when the positions it works on push each other out of its table:
// with 2^16 or 2^17 slots, proofs found in 11,000 and 36,000 positions with 2^18 were not
// found within a million.
constexpr int proofBits = 18;
// Proof and disproof numbers: how many positions at least must still be shown won (lost)
// for a position to be won (lost) for the attacker; `unbounded` once it never can be.
constexpr std::uint32_t unbounded = 1u << 28;

enum Bound : std::uint8_t { Exact, Lower, Upper };

// A line of three squares along an axis starts at sq when all three are on the board;
// `shift` is the index step along the axis.
struct Axis {
    int shift;
    Bits starts;
};

constexpr Bits lineStarts(int dx, int dy) {
    Bits b = 0;
    for (int sq = 0; sq < squareCount; ++sq) {
        const int x2 = columnOf(sq) + 2 * dx, y2 = rowOf(sq) + 2 * dy;
        if (x2 >= 1 && x2 <= 9 && y2 >= 1 && y2 <= 9) b |= bit(sq);
    }
    return b;
}

constexpr Axis axes[4] = {
    {1, lineStarts(0, 1)}, {9, lineStarts(1, 0)}, {10, lineStarts(1, 1)}, {8, lineStarts(1, -1)}};

// Open lines of a side: groups of three squares in a row holding only its pieces and
// empty squares, weighted by how many of the three it already has.
int openLines(Bits own, Bits empty) {
    int value = 0;
    for (const Axis& a : axes) {
        const Bits a0 = own, a1 = own >> a.shift, a2 = own >> (2 * a.shift);
        const Bits usable = own | empty;
        const Bits open = a.starts & usable & (usable >> a.shift) & (usable >> (2 * a.shift));
        const Bits two = open & ((a0 & a1 & ~a2) | (a0 & ~a1 & a2) | (~a0 & a1 & a2));
        const Bits one = open & ((a0 & ~a1 & ~a2) | (~a0 & a1 & ~a2) | (~a0 & ~a1 & a2));
        value += 12 * count(two) + 2 * count(one);
    }
    return value;
}

int toTable(int score, int ply) {
    if (score > winThreshold) return score + ply;
    if (score < -winThreshold) return score - ply;
    return score;
}
int fromTable(int score, int ply) {
    if (score > winThreshold) return score - ply;
    if (score < -winThreshold) return score + ply;
    return score;
}

} // namespace

struct Searcher::Entry {
    std::uint64_t key;
    std::uint32_t generation;
    std::int16_t score;
    std::int8_t depth;
    std::uint8_t bound;
    Move move;
};

struct Searcher::Proof {
    std::uint64_t key;
    std::uint32_t generation;
    std::uint32_t pn, dn;
};

// What the exact search knows of a position: the fewest own drops it was found to force a
// row within, the most it was found not to, and the same for being lost; 0 for not known.
struct Searcher::Known {
    std::uint64_t key;
    std::uint32_t generation;
    std::uint8_t winYes, winNo, loseYes, loseNo;
};

struct Searcher::Memory {
    // The exact search keeps its answers in the proof table's memory: the two never run at
    // the same time, and a game's move uses each only until it has chosen.
    static constexpr std::size_t exactSlots = (sizeof(Proof) << proofBits) / sizeof(Known);
    union {
        Proof proofs[std::size_t{1} << proofBits];
        Known exact[exactSlots];
    };
    Entry tt[std::size_t{1} << ttBits];
    Move moves[maxPly][maxMoves];
    Move ordered[maxMoves];
    std::uint64_t order[maxMoves];
    std::uint32_t pn[maxPly][maxMoves], dn[maxPly][maxMoves]; // proof numbers of the drops
    int history[2][kindCount + 1][squareCount];
    Move killer[maxPly]; // the exact search's last drop at a ply that settled its position
};

int generateDrops(const Position& p, Move* out, Bits only) {
    int n = 0;
    const int c = p.toMove;
    for (int k = 1; k <= kindCount; ++k) {
        if (p.hand[c][k] == 0) continue;
        for (Bits t = p.dropTargets(k) & only; t;) {
            out[n++] = {static_cast<std::int8_t>(popLowest(t)), static_cast<std::int8_t>(k)};
        }
    }
    return n;
}

// Whether a drop on sq whose own reach over the empty squares is `own` leaves the opponent
// no row on one of `threats` (see defends). `past()` gives the mover's lines of attack past
// sq, asked for only when they matter.
template <class Past>
static bool stops(const Position& p, int sq, Bits own, Bits threats, bool open, Past past) {
    const Bits b = bit(sq);
    const Bits on = p.full | b;
    // While the mover's lines of attack miss them all, only a drop whose own reach takes
    // one in, or one that leaves the mover no line of attack at all, lets the opponent in.
    if (!open && (p.steps[p.toMove] & ~on)) return !(own & threats);
    const Bits after = past() | own;
    const Bits allowed = after ? after : ~on & allSquares;
    return !(threats & ~b & allowed);
}

// The drops the search tries: square by square, and on each square one drop for each
// different reach. Two kinds that would reach the same empty squares from a square keep
// doing so for the rest of the game (pieces never move, rays only get shorter), so only
// the first of them, the weaker piece, is tried there. With `threats`, the opponent's rows
// to stop, only the drops that stop them all are written, as keepDefences would keep them;
// `all` is set to the number there were before. Sifting them here uses the reach each drop
// already has, and the lines of attack past a square once for all its kinds.
// `made(i, sq, kind)` hears of each drop as it is written to out[i].
//
// The two positions still differ in the piece left in hand, so a forced row found over
// these drops is a good guess, not a proof: a drop left out may refute it. After the drops
// N76 l84 L86 p64, the proof search finds a forced row for 後手, though 先手 is to move and
// forces one in ten drops. Tried with every drop, the proofs come out right, but 最強 wins
// fewer games against 強い, so the searches keep the guess. The exact search, whose values
// are shown and played, tries every drop.
template <class Made>
static int searchDrops(const Position& p, Move* out, Bits threats, int* all, Made made) {
    const int c = p.toMove;
    const Bits allowed = p.allowedSquares();
    const Bits full = p.full;
    // The kinds in hand and where each may go, worked out once.
    int kinds[kindCount];
    Bits targets[kindCount];
    int held = 0;
    Bits any = 0;
    for (int k = 1; k <= kindCount; ++k) {
        if (p.hand[c][k] == 0) continue;
        kinds[held] = k;
        any |= targets[held++] = allowed & p.droppable(c, k);
    }
    const bool open = (threats & p.attacks[c]) != 0;
    const Bits stepsFree = p.steps[c] & ~full;
    int n = 0, total = 0;
    while (any) {
        const int sq = popLowest(any);
        const Bits b = bit(sq);
        const Bits on = full | b;
        // stops' first test is the same for every kind on the square.
        const bool quick = !open && (stepsFree & ~b);
        Bits past = 0;
        bool havePast = false;
        const auto pastSq = [&] {
            if (!havePast) {
                past = p.attacksPast(c, sq);
                havePast = true;
            }
            return past;
        };
        Bits reach[kindCount];
        int distinct = 0;
        for (int j = 0; j < held; ++j) {
            if (!has(targets[j], sq)) continue;
            const int k = kinds[j];
            const Bits r = (slides(k) ? slideReach(c, k, sq, on) : tables.step[c][k][sq]) & ~on;
            bool same = false;
            for (int i = 0; i < distinct && !same; ++i) same = reach[i] == r;
            if (same) continue;
            reach[distinct++] = r;
            ++total;
            if (threats && (quick ? (r & threats) != 0 : !stops(p, sq, r, threats, open, pastSq)))
                continue;
            made(n, sq, k);
            out[n++] = {static_cast<std::int8_t>(sq), static_cast<std::int8_t>(k)};
        }
    }
    if (all) *all = total;
    return n;
}
static int searchDrops(const Position& p, Move* out, Bits threats = 0, int* all = nullptr) {
    return searchDrops(p, out, threats, all, [](int, int, int) {});
}

bool hasWinningDrop(const Position& p) {
    const int c = p.toMove;
    if (!(p.allowedSquares() & p.wins[c])) return false;
    for (int k = 1; k <= kindCount; ++k) {
        if (p.hand[c][k] != 0 && (p.dropTargets(k) & p.wins[c])) return true;
    }
    return false;
}

// The empty squares where `side` would complete a row with a piece it holds and may drop
// there, the placement rule left aside: whether it will be allowed there depends on the
// drop before.
static Bits threatsOf(const Position& p, int side) {
    const Bits w = p.wins[side];
    if (!w) return 0;
    Bits can = 0;
    for (int k = 1; k <= kindCount && (w & can) != w; ++k) {
        if (p.hand[side][k] != 0) can |= p.droppable(side, k);
    }
    return w & can;
}

// Whether the mover's drop m leaves the opponent no row on one of `threats`: it is on such a
// square, or the mover's lines of attack after it leave them out. `open`: the mover's lines
// of attack take in one of them already.
static bool defends(const Position& p, Move m, Bits threats, bool open) {
    const int c = p.toMove;
    const Bits on = p.full | bit(m.sq);
    const Bits own =
        slides(m.kind) ? slideReach(c, m.kind, m.sq, on) : tables.step[c][m.kind][m.sq];
    return stops(p, m.sq, own & ~on, threats, open, [&] { return p.attacksPast(c, m.sq); });
}

// Keeps the drops after which the opponent cannot complete a row on one of `threats`. The
// others lose at once. Returns how many are kept, in their order.
static int keepDefences(const Position& p, Move* moves, int n, Bits threats) {
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
static Defence findDefence(const Position& p, Bits threats) {
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

Limits limitsFor(int strength) {
    return strength >= 2 ? Limits{20, 130000, 90000, 12000, 40000} : Limits{8, 36000};
}

Searcher::Searcher() : t_(std::make_unique<Memory>()) {}

Searcher::~Searcher() = default;

int Searcher::evaluate(const Position& p) const {
    const int c = p.toMove, o = c ^ 1;
    const Bits empty = ~p.full & allSquares;
    int v = openLines(p.occ[c], empty) - openLines(p.occ[o], empty);
    v += 40 * (count(p.wins[c]) - count(p.wins[o]));
    // The side to move cannot win now. Where the opponent can complete a row on a square
    // the side to move may not drop on, and the side to move already attacks it (so the
    // opponent will be allowed there), only cutting that line of attack saves it.
    if (p.attacks[o] && (p.wins[o] & ~p.attacks[o] & p.attacks[c])) v -= 600;
    return v;
}

// Sorts the moves best first: the remembered best move, drops on the opponent's winning
// squares, drops next to pieces, then what cut off elsewhere in this search.
void Searcher::orderMoves(const Position& p, Move* moves, int n, Move first) const {
    const int c = p.toMove, o = c ^ 1;
    const Bits nearOwn = neighbours(p.occ[c]), nearOther = neighbours(p.occ[o]);
    for (int i = 0; i < n; ++i) {
        const Move m = moves[i];
        std::uint64_t key = 0;
        if (m == first) key += 1u << 30;
        if (has(p.wins[c], m.sq)) key += 1u << 27;
        if (has(p.wins[o], m.sq)) key += 1u << 26;
        if (has(nearOwn, m.sq)) key += 4000;
        if (has(nearOther, m.sq)) key += 1000;
        key += static_cast<std::uint64_t>(std::min(t_->history[c][m.kind][m.sq], 999));
        // Unique keys: ties keep the generator's order.
        t_->order[i] = (key << 16) | static_cast<std::uint64_t>(0xFFFF - i);
    }
    // The first few in full order; past them a cut-off is rare and order matters little.
    std::partial_sort(t_->order, t_->order + std::min(n, 16), t_->order + n,
                      [](std::uint64_t a, std::uint64_t b) { return a > b; });
    // The copy goes through a list kept with the searcher: a local one would be filled
    // with empty moves at every position, which costs more than the sort.
    Move* ordered = t_->ordered;
    for (int i = 0; i < n; ++i) ordered[i] = moves[0xFFFF - (t_->order[i] & 0xFFFF)];
    std::copy(ordered, ordered + n, moves);
}

int Searcher::search(const Position& p, int depth, int alpha, int beta, int ply, bool passed) {
    if (++nodes_ > nodeLimit_) {
        stopped_ = true;
        return 0;
    }
    if (hasWinningDrop(p)) return winScore - ply;
    if (ply >= maxPly - 1) return evaluate(p);
    // A side that must stop a row the opponent is already allowed to complete has only the
    // drops that stop it; they are searched a drop further, also at the end of the depth,
    // so that a row that comes one drop beyond it is not missed.
    const Bits threats = threatsOf(p, p.toMove ^ 1);
    const Bits own = p.attacks[p.toMove];
    if (threats & own) {
        depth = std::max(depth, 0) + 1;
    } else {
        // A side held to one square has little choice: look a drop further there.
        const Bits allowed = p.allowedSquares();
        if ((allowed & (allowed - 1)) == 0 && ply < maxPly / 2) ++depth;
        if (depth <= 0) return evaluate(p);
    }
    Move* moves = t_->moves[ply];
    int all = 0;
    const int n = searchDrops(p, moves, threats, &all);
    if (all == 0) {
        // No drop: the turn passes; when neither side can drop the game cannot go on.
        if (passed) return 0;
        Position q = p;
        q.pass();
        return -search(q, depth, -beta, -alpha, ply + 1, true);
    }
    // Making, sifting and ordering a long list costs about as much as visiting a few
    // positions.
    nodes_ += all / 16;
    if (n == 0) return -(winScore - ply - 1);

    Entry& e = t_->tt[p.key & ((std::uint64_t{1} << ttBits) - 1)];
    Move remembered{};
    if (e.key == p.key && e.generation == generation_) {
        remembered = e.move;
        if (e.depth >= depth) {
            const int v = fromTable(e.score, ply);
            if (e.bound == Exact || (e.bound == Lower && v >= beta) ||
                (e.bound == Upper && v <= alpha))
                return v;
        }
    }
    orderMoves(p, moves, n, remembered);

    const int alpha0 = alpha;
    int best = -infinity;
    Move bestMove = moves[0];
    for (int i = 0; i < n; ++i) {
        const Move m = moves[i];
        Position q = p;
        q.drop(m.sq, m.kind);
        // After the first drop, a narrow window only asks whether a drop is better; the
        // few that are get a full search.
        int v = i == 0 ? -search(q, depth - 1, -beta, -alpha, ply + 1, false)
                       : -search(q, depth - 1, -alpha - 1, -alpha, ply + 1, false);
        if (i > 0 && v > alpha && v < beta && !stopped_)
            v = -search(q, depth - 1, -beta, -alpha, ply + 1, false);
        if (stopped_) return 0;
        if (v > best) {
            best = v;
            bestMove = m;
            if (v > alpha) {
                alpha = v;
                if (alpha >= beta) {
                    t_->history[p.toMove][m.kind][m.sq] += depth * depth;
                    break;
                }
            }
        }
    }
    e.key = p.key;
    e.generation = generation_;
    e.score = static_cast<std::int16_t>(toTable(best, ply));
    e.depth = static_cast<std::int8_t>(depth);
    e.bound = best <= alpha0 ? Upper : best >= beta ? Lower : Exact;
    e.move = bestMove;
    return best;
}

void Searcher::begin(Limits limits) {
    ++generation_;
    nodes_ = 0;
    allow(limits.nodes);
    depthDone_ = 0;
    score_ = 0;
    std::memset(t_->history, 0, sizeof t_->history);
}

void Searcher::allow(long nodes) {
    nodeLimit_ = nodes_ + nodes;
    stopped_ = false;
}

int Searcher::solve(const Position& p, Limits limits) {
    begin(limits);
    if (proves(p, p.toMove, limits.nodes, 0)) return 1;
    if (proves(p, p.toMove ^ 1, limits.nodes, 0)) return -1;
    return 0;
}

Move Searcher::choose(const Position& p, Limits limits) {
    begin(limits);

    Move* moves = t_->moves[0];
    // A drop that wins is played at once: the first in the generator's order.
    const int all = generateDrops(p, moves);
    for (int i = 0; i < all; ++i) {
        if (has(p.wins[p.toMove], moves[i].sq)) {
            score_ = winScore;
            return moves[i];
        }
    }
    // Where the exact search settles the position, its drop is the perfect player's.
    if (limits.exact > 0) {
        const Move m = exactChoice(p, limits.exact);
        const long used = nodes_;
        begin(limits);
        nodes_ = used;
        allow(limits.nodes);
        if (!m.isPass()) return m;
    }
    // A forced row of its own, however deep, is looked for first; the proof leaves the
    // drops that force it proved in the table.
    if (limits.prove > 0 && proves(p, p.toMove, limits.prove, 0)) {
        const int kept = searchDrops(p, moves);
        for (int i = 0; i < kept; ++i) {
            std::uint32_t pn, dn;
            lookup(p.keyAfter(moves[i].sq, moves[i].kind), pn, dn);
            if (pn == 0) {
                // Won: with a larger allowance the exact search often finds the fastest
                // row, where a drop the proof found could only prolong the game.
                const Move proved = moves[i];
                quickTwo_ = true;
                const Move fastest = exactChoice(p, 2 * limits.exact);
                quickTwo_ = false;
                if (!fastest.isPass()) return fastest;
                score_ = winThreshold + 1; // won, in a number of drops not known
                return proved;
            }
        }
    }
    // The search has its own allowance, whatever the proof used.
    allow(limits.nodes);
    const int n = searchDrops(p, moves);
    if (n == 0) return Move{};
    orderMoves(p, moves, n, Move{});
    Move best = moves[0];
    for (int depth = 1; depth <= limits.depth; ++depth) {
        int alpha = -infinity;
        Move iterationBest = moves[0];
        int bestIndex = 0;
        for (int i = 0; i < n; ++i) {
            Position q = p;
            q.drop(moves[i].sq, moves[i].kind);
            int v = i == 0 ? -search(q, depth - 1, -infinity, -alpha, 1, false)
                           : -search(q, depth - 1, -alpha - 1, -alpha, 1, false);
            if (i > 0 && v > alpha && !stopped_)
                v = -search(q, depth - 1, -infinity, -alpha, 1, false);
            if (stopped_) break;
            if (v > alpha) {
                alpha = v;
                iterationBest = moves[i];
                bestIndex = i;
            }
        }
        if (stopped_) break;
        best = iterationBest;
        score_ = alpha;
        depthDone_ = depth;
        // The best move first in the next iteration, the others in their order.
        std::rotate(moves, moves + bestIndex, moves + bestIndex + 1);
        // A forced result is final.
        if (alpha > winThreshold || alpha < -winThreshold) break;
    }
    // A forced row deeper than the first exact look saw is often found now, and played:
    // the search's drop when it wins as fast. Even the search's forced loss may hide one,
    // as it tries only one of the kinds that reach alike from a square.
    if (limits.exact > 0) {
        const Move settled = settle(p, best, 2 * limits.exact);
        if (!settled.isPass()) return settled;
    }
    if (limits.check <= 0 || score_ > winThreshold || score_ < -winThreshold) return best;
    // The search weighs every line by its end; a forced row just beyond its depth can hide
    // behind a good value. Asking only whether the opponent can force a row sees further:
    // the chosen drop, and while it is found lost the next in the search's order, is
    // checked so, each with the whole allowance, and a drop not found lost is played.
    // When every drop checked is lost, the search's choice stands. The checks search from
    // the second ply on, so the root's list stays as it is.
    for (int i = 0; i < n && i < 3; ++i) {
        Position q = p;
        q.drop(moves[i].sq, moves[i].kind);
        if (!proves(q, q.toMove, limits.check, 1)) return moves[i];
    }
    return best;
}

Searcher::Proof& Searcher::slot(std::uint64_t key) const {
    return t_->proofs[key & ((std::uint64_t{1} << proofBits) - 1)];
}

// A position not proved in this search has the numbers of one not yet looked at: 1 and 1.
void Searcher::lookup(std::uint64_t key, std::uint32_t& pn, std::uint32_t& dn) const {
    const Proof& e = slot(key);
    const bool known = e.key == key && e.generation == generation_;
    pn = known ? e.pn : 1;
    dn = known ? e.dn : 1;
}

void Searcher::record(std::uint64_t key, std::uint32_t pn, std::uint32_t dn) {
    slot(key) = {key, generation_, pn, dn};
}

bool Searcher::proves(const Position& p, int attacker, long nodes, int ply) {
    ++generation_;
    attacker_ = attacker;
    allow(nodes);
    prove(p, unbounded, unbounded, ply, false);
    std::uint32_t pn, dn;
    lookup(p.key, pn, dn);
    return !stopped_ && pn == 0;
}

// Depth-first proof-number search: always into the drop that is cheapest to settle, the
// attacker's with the smallest proof number, the defender's with the smallest disproof
// number, until the position's numbers pass the thresholds its parent gave it. Where the
// placement rule leaves a side one or two squares, a forced row is proved along them with
// few positions, however deep it lies.
void Searcher::prove(const Position& p, std::uint32_t thpn, std::uint32_t thdn, int ply,
                     bool passed) {
    if (++nodes_ > nodeLimit_) {
        stopped_ = true;
        return;
    }
    const bool attacking = p.toMove == attacker_;
    if (hasWinningDrop(p)) {
        record(p.key, attacking ? 0 : unbounded, attacking ? unbounded : 0);
        return;
    }
    if (ply >= maxPly - 1) { // too deep to prove anything
        record(p.key, unbounded, 0);
        return;
    }
    Move* moves = t_->moves[ply];
    const Bits threats = threatsOf(p, p.toMove ^ 1);
    int all = 0;
    // Each drop's slot is fetched as soon as the drop is found, so that the memory is read
    // while the rest are found; one after another, each would wait for it.
    std::uint64_t* const keys = t_->order;
    const int n = searchDrops(p, moves, threats, &all, [&](int i, int sq, int kind) {
        keys[i] = p.keyAfter(sq, kind);
        __builtin_prefetch(&slot(keys[i]));
    });
    if (all == 0) {
        if (passed) { // neither side can drop: no row will come
            record(p.key, unbounded, 0);
            return;
        }
        Position q = p;
        q.pass();
        for (;;) {
            std::uint32_t pn, dn;
            lookup(q.key, pn, dn);
            if (pn >= thpn || dn >= thdn) {
                record(p.key, pn, dn);
                return;
            }
            prove(q, thpn, thdn, ply + 1, true);
            if (stopped_) return;
        }
    }
    if (n == 0) { // every drop leaves a row open
        record(p.key, attacking ? unbounded : 0, attacking ? 0 : unbounded);
        return;
    }
    // The drops' numbers are read once and kept here; only the one searched changes.
    std::uint32_t* const pns = t_->pn[ply];
    std::uint32_t* const dns = t_->dn[ply];
    for (int i = 0; i < n; ++i) lookup(keys[i], pns[i], dns[i]);
    for (;;) {
        // The attacker needs one drop that wins, the defender one that does not lose.
        std::uint32_t first = unbounded + 1, second = unbounded, other = 0, sum = 0;
        int pick = 0;
        for (int i = 0; i < n; ++i) {
            const std::uint32_t mine = attacking ? pns[i] : dns[i];
            const std::uint32_t theirs = attacking ? dns[i] : pns[i];
            if (mine < first) {
                second = first;
                first = mine;
                other = theirs;
                pick = i;
            } else if (mine < second) {
                second = mine;
            }
            sum = std::min(sum + theirs, unbounded);
        }
        const std::uint32_t pn = attacking ? first : sum, dn = attacking ? sum : first;
        if (pn >= thpn || dn >= thdn) {
            record(p.key, pn, dn);
            return;
        }
        Position q = p;
        q.drop(moves[pick].sq, moves[pick].kind);
        const std::uint32_t nextMine = std::min(attacking ? thpn : thdn, second + second / 4 + 1);
        const std::uint32_t nextTheirs = (attacking ? thdn - dn : thpn - pn) + other;
        if (attacking) {
            prove(q, nextMine, nextTheirs, ply + 1, false);
        } else {
            prove(q, nextTheirs, nextMine, ply + 1, false);
        }
        if (stopped_) return;
        lookup(q.key, pns[pick], dns[pick]);
    }
}

// The exact search. Both questions are asked with a number of drops k; an answer found is
// kept and serves every other k it settles: a row forced within k is forced within more, and
// one not forced within k is not forced within fewer.

Searcher::Known& Searcher::exactSlot(std::uint64_t key) const {
    const auto i =
        static_cast<std::size_t>((static_cast<unsigned __int128>(key) * Memory::exactSlots) >> 64);
    return t_->exact[i];
}

void Searcher::beginExact(const std::atomic<bool>* cancel) {
    // One count for both tables: an entry of one is never taken for one of the other.
    exactGeneration_ = ++generation_;
    std::fill(std::begin(t_->killer), std::end(t_->killer), Move{});
    cancel_ = cancel;
    nodes_ = 0;
    allow(0);
}

// Counts a position; false once the allowance is used or the caller asked to stop.
bool Searcher::tick() {
    if (++nodes_ > nodeLimit_) stopped_ = true;
    if ((nodes_ & 1023) == 0 && cancel_ && cancel_->load(std::memory_order_relaxed))
        stopped_ = true;
    return !stopped_;
}

namespace {

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

bool Searcher::winsWithin(const Position& p, int k, int ply, bool passed) {
    if (!tick()) return false;
    if (hasWinningDrop(p)) return true;
    if (k <= 1 || ply >= maxPly - 2) return false;
    Known& e = exactSlot(p.key);
    if (e.key == p.key && e.generation == exactGeneration_) {
        if (e.winYes != 0 && e.winYes <= k) return true;
        if (e.winNo >= k || e.loseYes != 0) return false;
    }
    Move* moves = t_->moves[ply];
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
        result = losesWithin(q, k, ply + 1, true);
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
        byRoom(p, moves, n, near, nearLines(p.occ[p.toMove ^ 1]), t_->order, t_->ordered);
        // The drop that won in a position beside this one often wins here too.
        tryFirst(moves, n, t_->killer[ply]);
        for (int i = 0; i < n && !result; ++i) {
            // The answer's slot is read while the drop is made.
            if (k > 2) __builtin_prefetch(&exactSlot(p.keyAfter(moves[i].sq, moves[i].kind)));
            Position q = p;
            q.drop(moves[i].sq, moves[i].kind);
            result = losesWithin(q, k - 1, ply + 1, false);
            if (stopped_) return false;
            if (result) t_->killer[ply] = moves[i];
        }
    }
    if (stopped_) return false;
    rememberExact(p.key, true, result, k);
    return result;
}

void Searcher::rememberExact(std::uint64_t key, bool win, bool proved, int k) {
    Known& f = exactSlot(key);
    if (f.key != key || f.generation != exactGeneration_) f = {key, exactGeneration_, 0, 0, 0, 0};
    std::uint8_t& yes = win ? f.winYes : f.loseYes;
    std::uint8_t& no = win ? f.winNo : f.loseNo;
    if (proved) {
        yes = static_cast<std::uint8_t>(k);
    } else {
        no = static_cast<std::uint8_t>(std::max<int>(no, k));
    }
}

bool Searcher::losesWithin(const Position& p, int k, int ply, bool passed) {
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
    Known& e = exactSlot(p.key);
    if (e.key == p.key && e.generation == exactGeneration_) {
        if (e.loseYes != 0 && e.loseYes <= k) return true;
        if (e.loseNo >= k || e.winYes != 0) return false;
    }
    bool result = true;
    // The drop that held in a position beside this one nearly always holds here too, so it
    // is tried before the list of drops is made.
    const Move killer = t_->killer[ply];
    const bool early =
        !killer.isPass() && p.hand[p.toMove][killer.kind] != 0 &&
        has(p.dropTargets(killer.kind), killer.sq) &&
        (!threats || defends(p, killer, threats, (threats & p.attacks[p.toMove]) != 0));
    if (early) {
        __builtin_prefetch(&exactSlot(p.keyAfter(killer.sq, killer.kind)));
        Position q = p;
        q.drop(killer.sq, killer.kind);
        result = winsWithin(q, k, ply + 1, false);
        if (stopped_) return false;
    }
    Move* moves = t_->moves[ply];
    int n = result ? generateDrops(p, moves) : 0;
    if (result && n == 0) {
        if (passed) return false;
        Position q = p;
        q.pass();
        result = winsWithin(q, k, ply + 1, true);
    } else if (result) {
        // Drops that leave a threat open lose at once.
        if (threats) n = keepDefences(p, moves, n, threats);
        if (early) n = static_cast<int>(std::remove(moves, moves + n, killer) - moves);
        // Drops next to the attacker's pieces first: they most often hold.
        byRoom(p, moves, n, 0, nearLines(p.occ[attacker]), t_->order, t_->ordered);
        for (int i = 0; i < n && result; ++i) {
            __builtin_prefetch(&exactSlot(p.keyAfter(moves[i].sq, moves[i].kind)));
            Position q = p;
            q.drop(moves[i].sq, moves[i].kind);
            result = winsWithin(q, k, ply + 1, false);
            if (stopped_) return false;
            if (!result) t_->killer[ply] = moves[i];
        }
    }
    if (stopped_) return false;
    rememberExact(p.key, false, result, k);
    return result;
}

Value Searcher::dropValue(const Position& p, Move m, long nodes, int& notWithin) {
    notWithin = 0;
    if (has(p.wins[p.toMove], m.sq)) return {Value::Win, 1};
    notWithin = 1;
    Position q = p;
    q.drop(m.sq, m.kind);
    allow(nodes);
    // Beyond the pieces left in the hands nothing more can happen.
    const int most = q.mostInHand();
    for (int d = 1; d <= most; ++d) {
        const bool theirs = winsWithin(q, d, 1, false);
        if (stopped_) return {};
        if (theirs) {
            notWithin = 99;
            return {Value::Loss, static_cast<std::int8_t>(d)};
        }
        const bool mine = losesWithin(q, d, 1, false);
        if (stopped_) return {};
        notWithin = d + 1;
        if (mine) return {Value::Win, static_cast<std::int8_t>(d + 1)};
    }
    notWithin = 99;
    return {};
}

Move Searcher::settle(const Position& p, Move best, long nodes) {
    const int score = score_;
    const long used = nodes_;
    const bool saved = quickTwo_;
    quickTwo_ = true;
    Move m = exactChoice(p, nodes);
    if (!m.isPass() && score_ < 0) m = Move{}; // lost: the search's choice stands
    if (!m.isPass() && m != best) {
        // The exact choice wins in d drops of its own.
        const int d = (winScore - score_ + 1) / 2;
        // Asked within what is left of the allowance, the answer comes mostly from the table.
        Position q = p;
        q.drop(best.sq, best.kind);
        if (losesWithin(q, d - 1, 1, false) && !stopped_) m = best;
    }
    quickTwo_ = saved;
    nodes_ += used;
    if (m.isPass()) score_ = score;
    return m;
}

Move Searcher::exactChoice(const Position& p, long nodes) {
    beginExact(nullptr);
    allow(nodes);
    Move* moves = t_->moves[0];
    const int n = generateDrops(p, moves);
    if (n == 0) return Move{};
    const int most = p.mostInHand();
    for (int i = 0; i < n; ++i) {
        if (has(p.wins[p.toMove], moves[i].sq)) return moves[i];
    }
    for (int d = 2; d <= most && !stopped_; ++d) {
        // The first drop, in the generator's order, that wins within d drops.
        if (winsWithin(p, d, 0, false)) {
            generateDrops(p, moves); // the search has reordered the list
            for (int i = 0; i < n; ++i) {
                Position q = p;
                q.drop(moves[i].sq, moves[i].kind);
                if (losesWithin(q, d - 1, 1, false)) {
                    score_ = winScore - (2 * d - 1);
                    return moves[i];
                }
                if (stopped_) return Move{};
            }
            return Move{}; // not reached: a win within d has such a drop
        }
        if (stopped_) break;
        // Every drop lost within d: the first that the opponent cannot win within d - 1.
        if (losesWithin(p, d, 0, false)) {
            generateDrops(p, moves);
            for (int i = 0; i < n; ++i) {
                Position q = p;
                q.drop(moves[i].sq, moves[i].kind);
                const bool sooner = winsWithin(q, d - 1, 1, false);
                if (stopped_) return Move{};
                if (!sooner) {
                    score_ = -(winScore - 2 * d);
                    return moves[i];
                }
            }
            return Move{};
        }
    }
    return Move{};
}

} // namespace tarvenko::engine
