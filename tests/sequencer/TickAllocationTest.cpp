// The clock runs inside the audio callback, where allocating memory can block. This program
// counts every allocation made through operator new while the clock ticks.

#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

// GCC cannot tell that these replace the global pair, and warns about free() on memory from new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zaffo {
namespace {

TEST(TickAllocation, TicksWithManyShuffledInstrumentsAllocateNothing) {
    Sequencer sequencer;
    sequencer.sampleExists = [](const std::string&) { return true; };
    long triggered = 0;
    sequencer.onTrigger = [&](const PatternPtr&, int, int32_t) { ++triggered; };
    sequencer.onStep = [](int) {};
    for (int i = 0; i < 64; ++i) {
        PatternPtr p = sequencer.getOrCreatePattern("i" + std::to_string(i));
        p->steps.fill(Step{true, i});
        p->rand = 1 + i % 3;
    }
    sequencer.animateBpm(180, 2);

    const long before = allocations.load();
    for (int i = 0; i < 20000; ++i) {
        sequencer.tick(512, 96000);
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_GT(triggered, 64 * 100);
}

}  // namespace
}  // namespace zaffo
