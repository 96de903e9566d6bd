#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace tarvenko {
std::atomic<bool> 数える{false};
std::atomic<long> 確保数{0};
std::atomic<std::size_t> 拒否する大きさ{0};
} // namespace tarvenko

void* operator new(std::size_t n) {
    if (tarvenko::数える.load(std::memory_order_relaxed)) {
        tarvenko::確保数.fetch_add(1, std::memory_order_relaxed);
    }
    const std::size_t limit = tarvenko::拒否する大きさ.load(std::memory_order_relaxed);
    if (limit != 0 && n >= limit) throw std::bad_alloc();
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return ::operator new(n);
}
// The no-throw forms too, so that they fail on request and allocate with the allocator the
// deletes below return memory to.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept {
    return ::operator new(n, tag);
}
// Kept out of line, so that the compiler pairs each delete with its new and not with the
// malloc and free inside them.
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
