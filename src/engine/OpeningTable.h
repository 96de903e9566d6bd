// The opening table, read: every first drop with its exact value, and the best drop of the
// positions near the empty board where the generator (tools/opening) proved it. It is data
// made offline and only read here; the searches neither write it nor need it.
#pragma once

#include "engine/Search.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenko::engine {

class OpeningTable {
  public:
    // Reads a table's text whole. A damaged table, or one of another version, is refused
    // whole: the table stays empty and `error` says why, with the line.
    bool read(std::string_view text, std::string& error);

    // The drops of p in generateDrops' order with their values, when p is the start
    // position and the table has its first drops (those not yet valued are Unknown); else 0.
    int rootValues(const Position& p, DropValue* out) const;
    // The best drop of p with its value (the fastest forced row, or the longest resistance),
    // when the table has p.
    bool best(const Position& p, DropValue& out) const;
    // The positions with a best drop.
    int size() const { return static_cast<int>(entries_.size()); }

  private:
    struct Entry {
        std::uint64_t key;
        DropValue best;
        bool operator<(const Entry& o) const { return key < o.key; }
    };
    std::vector<Entry> entries_;  // by key
    std::vector<DropValue> root_; // in generateDrops' order, or empty
};

// The table built into the program, read when first asked for. When it is refused, one line
// on standard error says why and the table is empty: the game then searches as without it.
const OpeningTable& openingTable();

// The start position of every game: an empty board, full hands, 先手 to move.
Position startPosition();

} // namespace tarvenko::engine
