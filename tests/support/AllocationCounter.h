// Counts heap allocations made through operator new while counting is switched on. The
// program that links AllocationCounter.cpp gets these replacements of the global operators.
#pragma once

#include <atomic>

namespace tarvenko {
extern std::atomic<bool> 数える;
extern std::atomic<long> 確保数;
} // namespace tarvenko
