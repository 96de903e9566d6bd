// The proof-number search and its table of proof and disproof numbers. It answers one
// question, whether a side forces a row; which drop to play is the policy's (Search.cpp).
#include "engine/ProofSearch.h"

#include <algorithm>

namespace tarvenko::engine {

namespace {

// Proof and disproof numbers: how many positions at least must still be shown won (lost)
// for a position to be won (lost) for the attacker; `unbounded` once it never can be.
constexpr std::uint32_t unbounded = 1u << 28;

} // namespace

ProofSearch::Entry& ProofSearch::slot(std::uint64_t key) const {
    return table_.entries[key & ((std::uint64_t{1} << tableBits) - 1)];
}

void ProofSearch::lookup(std::uint64_t key, std::uint32_t& pn, std::uint32_t& dn) const {
    const Entry& e = slot(key);
    const bool known = e.key == key && e.generation == generation_;
    pn = known ? e.pn : 1;
    dn = known ? e.dn : 1;
}

void ProofSearch::record(std::uint64_t key, std::uint32_t pn, std::uint32_t dn) {
    slot(key) = {key, generation_, pn, dn};
}

bool ProofSearch::proved(std::uint64_t key) const {
    std::uint32_t pn, dn;
    lookup(key, pn, dn);
    return pn == 0;
}

bool ProofSearch::proves(const Position& p, int attacker, long nodes, int ply) {
    ++generation_;
    attacker_ = attacker;
    nodes_ = 0;
    limit_ = nodes;
    stopped_ = false;
    prove(p, unbounded, unbounded, ply, false);
    return !stopped_ && proved(p.key);
}

// Depth-first proof-number search: always into the drop that is cheapest to settle, the
// attacker's with the smallest proof number, the defender's with the smallest disproof
// number, until the position's numbers pass the thresholds its parent gave it. Where the
// placement rule leaves a side one or two squares, a forced row is proved along them with
// few positions, however deep it lies.
void ProofSearch::prove(const Position& p, std::uint32_t thpn, std::uint32_t thdn, int ply,
                        bool passed) {
    if (++nodes_ > limit_) {
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
    Move* moves = lists_.at[ply];
    const Bits threats = threatsOf(p, p.toMove ^ 1);
    int all = 0;
    // Each drop's slot is fetched as soon as the drop is found, so that the memory is read
    // while the rest are found; one after another, each would wait for it.
    std::uint64_t* const keys = lists_.keys;
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
    std::uint32_t* const pns = pn_[ply];
    std::uint32_t* const dns = dn_[ply];
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

} // namespace tarvenko::engine
