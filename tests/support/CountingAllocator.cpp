#include "tests/support/CountingAllocator.h"

#include <cstdlib>
#include <new>

namespace {
thread_local long allocations = 0;
thread_local long frees = 0;
}  // namespace

long zaffo::testing::allocationCount() { return allocations; }
long zaffo::testing::freeCount() { return frees; }

// GCC cannot tell that these replace the global pair, and warns about free() on memory from new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    if (p) ++frees;
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
