// The clock runs inside the audio callback, where allocating memory can block. This program
// counts every allocation made through operator new while the clock ticks.
#include "sequencer/Sequencer.h"
#include "tests/support/CountingAllocator.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

TEST(TickAllocation, TicksWithManyShuffledInstrumentsAllocateNothing) {
    Sequencer sequencer;
    sequencer.sampleExists = [](const std::string&) { return true; };
    long triggered = 0;
    sequencer.onTrigger = [&](const PatternPtr&, int, int32_t) { ++triggered; };
    sequencer.onStep = [](int, int32_t) {};
    for (int i = 0; i < 64; ++i) {
        PatternPtr p = sequencer.getOrCreatePattern("i" + std::to_string(i));
        p->steps.fill(Step{true, i});
        p->rand = 1 + i % 3;
    }
    sequencer.animateBpm(180, 2);
    const long before = testing::allocationCount();
    for (int i = 0; i < 20000; ++i) sequencer.tick(512, 96000);
    EXPECT_EQ(testing::allocationCount() - before, 0);
    EXPECT_GT(triggered, 64 * 100);
}

}  // namespace
}  // namespace zaffo
