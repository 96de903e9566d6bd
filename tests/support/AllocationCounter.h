// Counts heap allocations made through operator new while counting is switched on, and makes
// large ones fail on request. The program that links AllocationCounter.cpp gets these
// replacements of the global operators.
#pragma once

#include <atomic>
#include <cstddef>

namespace tarvenko {
extern std::atomic<bool> 数える;
extern std::atomic<long> 確保数;
// While non-zero, every allocation of at least this many bytes fails.
extern std::atomic<std::size_t> 拒否する大きさ;
} // namespace tarvenko
