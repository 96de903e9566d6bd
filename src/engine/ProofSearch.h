// The proof-number search of 最強: whether one side forces a row of three, however deep,
// over the drops the estimating searches try. Where the placement rule leaves a side few
// squares it proves deep rows cheaply; what it proves is a strong guess, not an exact value.
#pragma once

#include "engine/Drops.h"

#include <cstdint>

namespace tarvenko::engine {

class ProofSearch {
  public:
    struct Entry {
        std::uint64_t key;
        std::uint32_t generation;
        std::uint32_t pn, dn;
    };
    // With 2^16 or 2^17 entries the positions a search works on push each other out: proofs
    // found in 11,000 and 36,000 positions with 2^18 were not found within a million.
    static constexpr int tableBits = 18;
    struct Table {
        Entry entries[std::size_t{1} << tableBits];
    };

    // Keeps its proofs in `table`, which starts zeroed, and numbers its searches with
    // `generation`, which it may share with another table in the same memory; works in `lists`.
    ProofSearch(Table& table, DropLists& lists, std::uint32_t& generation)
        : table_(table), lists_(lists), generation_(generation) {}
    ProofSearch(const ProofSearch&) = delete;
    ProofSearch& operator=(const ProofSearch&) = delete;

    // Whether `attacker` forces a row from p, found within `nodes` positions. p is at `ply`
    // of the lists: the rows above are left as they are.
    bool proves(const Position& p, int attacker, long nodes, int ply = 0);
    // After proves(): the position with this key was proved won for the attacker.
    bool proved(std::uint64_t key) const;
    // Positions visited by the last proves().
    long nodes() const { return nodes_; }

  private:
    Entry& slot(std::uint64_t key) const;
    // A position's proof and disproof numbers in this search: 1 and 1 when not yet looked at.
    void lookup(std::uint64_t key, std::uint32_t& pn, std::uint32_t& dn) const;
    void record(std::uint64_t key, std::uint32_t pn, std::uint32_t dn);
    void prove(const Position& p, std::uint32_t thpn, std::uint32_t thdn, int ply, bool passed);

    Table& table_;
    DropLists& lists_;
    std::uint32_t& generation_;
    int attacker_ = 0;
    long nodes_ = 0;
    long limit_ = 0;
    bool stopped_ = false;
    // The numbers of the drops at each ply, read once per position and kept while it is
    // searched.
    std::uint32_t pn_[maxPly][maxMoves], dn_[maxPly][maxMoves];
};

} // namespace tarvenko::engine
