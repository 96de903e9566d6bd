// 最強's policy: which search is asked, in which order, with which allowance; and the one
// allocation that holds the three searches. How each search works is in its own file.
#include "engine/Search.h"

#include <algorithm>
#include <cstring>

namespace tarvenko::engine {

// What 最強 may spend beside the alpha-beta search: the exact search settles most won and
// lost positions within its first look; the proof search finds deeper forced rows of its own;
// the checks catch the opponent's forced rows just beyond the alpha-beta search's depth.
constexpr Looks strongest{.exact = 40000, .prove = 90000, .check = 12000};

Limits limitsFor(int strength) {
    return strength >= 2 ? Limits{20, 130000, strongest} : Limits{8, 36000};
}

// The searches never run at once, so they work in one set of drop lists, and the proof
// table and the exact table take turns in one block of memory: a choice uses each only until
// it moves on. The two tables number their searches with one count, so that an entry of one
// is never taken for one of the other.
struct Searcher::Parts {
    Parts() { std::memset(&shared, 0, sizeof shared); }

    DropLists lists;
    std::uint32_t generation = 0;
    union Shared {
        ProofSearch::Table proofs;
        ExactSearch::Table exact;
    } shared;
    AlphaBeta alphaBeta{lists};
    // The alpha-beta search's drops in its order, kept for unrefuted() as the later looks
    // write over the lists.
    Move ranked[maxMoves];
    int rankedCount = 0;
    ProofSearch proof{shared.proofs, lists, generation};
    ExactSearch exact{shared.exact, lists, generation};
};
static_assert(sizeof(ProofSearch::Table) == sizeof(ExactSearch::Table));

Searcher::Searcher() : parts_(std::make_unique<Parts>()) {}

Searcher::~Searcher() = default;

namespace {

// An exact value on the alpha-beta search's scale: a row of its own in d drops lies 2d − 1
// drops ahead, the opponent's 2d.
int scoreOf(Value v) {
    return v.kind == Value::Win ? Searcher::winScore - (2 * v.n - 1)
                                : -(Searcher::winScore - 2 * v.n);
}

bool forced(int score) {
    return score > Searcher::winThreshold || score < -Searcher::winThreshold;
}

} // namespace

// The order of asking. Each step is below, with what it costs and why it comes where it does.
Move Searcher::choose(const Position& p, Limits limits) {
    const Looks& looks = limits.looks;
    nodes_ = 0;
    depth_ = 0;
    score_ = 0;
    Move m = winningDrop(p);
    if (!m.isPass()) return m;
    if (looks.exact > 0 && !(m = exactDrop(p, looks.exact)).isPass()) return m;
    if (looks.prove > 0 && !(m = provedWin(p, looks.prove, 2 * looks.exact)).isPass()) return m;
    const Move best = alphaBetaDrop(p, limits.depth, limits.nodes);
    if (best.isPass()) return best;
    if (looks.exact > 0 && !(m = settle(p, best, 2 * looks.exact)).isPass()) return m;
    m = looks.check > 0 && !forced(score_) ? checked(p, best, looks.check) : best;
    return looks.exact > 0 ? unrefuted(p, m, looks.exact) : m;
}

// A drop that wins now is played at once: the first in the generator's order.
Move Searcher::winningDrop(const Position& p) {
    Move* drops = parts_->lists.at[0];
    const int n = generateDrops(p, drops);
    for (int i = 0; i < n; ++i) {
        if (has(p.wins[p.toMove], drops[i].sq)) {
            score_ = winScore;
            return drops[i];
        }
    }
    return Move{};
}

// Where the exact search settles the position, its drop is the perfect player's. This first
// look makes and counts every two-drop attempt, so that its allowance buys what it always
// has; the later looks show most of them to fail unmade. score() stays 0.
Move Searcher::exactDrop(const Position& p, long nodes) {
    ExactSearch& exact = parts_->exact;
    const Move m = exact.choose(p, nodes, false).move;
    nodes_ += exact.nodes();
    return m;
}

// A forced row of its own, however deep, proved over the drops the searches try. Then, with
// `fastest` positions, the exact search often finds the fastest row, where a drop the proof
// found could only prolong the game. A pass when nothing was proved.
Move Searcher::provedWin(const Position& p, long nodes, long fastest) {
    Parts& s = *parts_;
    const bool won = s.proof.proves(p, p.toMove, nodes);
    nodes_ += s.proof.nodes();
    if (!won) return Move{};
    Move* drops = s.lists.at[0];
    const int n = searchDrops(p, drops);
    for (int i = 0; i < n; ++i) {
        if (!s.proof.proved(p.keyAfter(drops[i].sq, drops[i].kind))) continue;
        const Move proved = drops[i];
        const ExactSearch::Choice c = s.exact.choose(p, fastest, true);
        nodes_ += s.exact.nodes();
        if (!c.move.isPass()) {
            score_ = scoreOf(c.value);
            return c.move;
        }
        score_ = winThreshold + 1; // won, in a number of drops not known
        return proved;
    }
    return Move{};
}

// The alpha-beta search, with its own allowance whatever the others used.
Move Searcher::alphaBetaDrop(const Position& p, int depth, long nodes) {
    AlphaBeta& search = parts_->alphaBeta;
    const Move m = search.choose(p, depth, nodes);
    nodes_ += search.nodes();
    depth_ = search.depth();
    score_ = search.score();
    Parts& s = *parts_;
    s.rankedCount = search.tried();
    std::copy(s.lists.at[0], s.lists.at[0] + s.rankedCount, s.ranked);
    return m;
}

// A forced row deeper than the first exact look saw is often found after the alpha-beta
// search, and played: its drop `best` when that wins as fast, else the exact search's. Even
// the search's forced loss may hide one, as it tries only one of the kinds that reach alike
// from a square. A pass when the exact search finds no forced row of its own.
Move Searcher::settle(const Position& p, Move best, long nodes) {
    ExactSearch& exact = parts_->exact;
    const ExactSearch::Choice c = exact.choose(p, nodes, true);
    Move m = c.move;
    if (!m.isPass() && c.value.kind == Value::Loss) m = Move{}; // the search's choice stands
    if (!m.isPass() && m != best) {
        // Asked within what is left of the allowance, the answer comes mostly from the table.
        Position q = p;
        q.drop(best.sq, best.kind);
        if (exact.losesWithin(q, c.value.n - 1, 1) && !exact.stopped()) m = best;
    }
    nodes_ += exact.nodes();
    if (!m.isPass()) score_ = scoreOf(c.value);
    return m;
}

// The alpha-beta search weighs every line by its end; a forced row just beyond its depth
// can hide behind a good value. Asking only whether the opponent can force a row sees
// further: up to three drops are checked so, each with `nodes` positions, and the first not
// found lost is played; when all are, `best` stands. They are the first of the root's drop
// list as the last search to write it left it: after settle() that is the exact search's
// list, not the alpha-beta search's order. The checks search from the second ply on, so the
// list stays as it is.
Move Searcher::checked(const Position& p, Move best, long nodes) {
    Parts& s = *parts_;
    const Move* drops = s.lists.at[0];
    for (int i = 0; i < s.alphaBeta.tried() && i < 3; ++i) {
        Position q = p;
        q.drop(drops[i].sq, drops[i].kind);
        const bool lost = s.proof.proves(q, q.toMove, nodes, 1);
        nodes_ += s.proof.nodes();
        if (!lost) return drops[i];
    }
    return best;
}

// The estimate has not the last word: a drop the exact search proves lost within a few of
// the opponent's drops gives way to the next of the alpha-beta search's drops that it does
// not prove lost, or cannot look at within `nodes` positions; when every drop is proved lost,
// the one that resists longest is played.
Move Searcher::unrefuted(const Position& p, Move chosen, long nodes) {
    constexpr int horizon = 5; // of the opponent's drops, where most such losses lie
    Parts& s = *parts_;
    ExactSearch& exact = s.exact;
    exact.begin(true);
    exact.allow(nodes);
    // The opponent's drops to its row after d: 0 when not proved within the horizon.
    auto lostIn = [&](Move d) {
        Position q = p;
        q.drop(d.sq, d.kind);
        for (int k = 1; k <= horizon; ++k) {
            if (exact.winsWithin(q, k, 1)) return k;
            if (exact.stopped()) break;
        }
        return 0;
    };
    Move longest = chosen;
    int longestLoss = lostIn(chosen);
    for (int i = 0; i < s.rankedCount && longestLoss > 0 && !exact.stopped(); ++i) {
        const Move d = s.ranked[i];
        if (d == chosen) continue;
        const int loss = lostIn(d);
        if (loss == 0) {
            longest = d;
            break;
        }
        if (loss > longestLoss) longest = d, longestLoss = loss;
    }
    nodes_ += exact.nodes();
    if (longest != chosen) score_ = 0;
    return longest;
}

int Searcher::solve(const Position& p, Limits limits) {
    ProofSearch& proof = parts_->proof;
    depth_ = 0;
    score_ = 0;
    const bool mine = proof.proves(p, p.toMove, limits.nodes);
    nodes_ = proof.nodes();
    if (mine) return 1;
    const bool theirs = proof.proves(p, p.toMove ^ 1, limits.nodes);
    nodes_ += proof.nodes();
    return theirs ? -1 : 0;
}

} // namespace tarvenko::engine
