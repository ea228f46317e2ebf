// Whole periods of the running program, clock (shuffling and changing tempo), triggers, previews and mix, neither
// allocate nor free memory on the audio thread, even while a sample is replaced under a voice that plays it.

#include "CoreFixture.h"

#include "tests/support/CountingAllocator.h"

#include <algorithm>
#include <cmath>

namespace zaffo::testing {
namespace {

TEST_F(CoreTest, PeriodsThatTriggerPreviewAndOutliveReplacedSamplesAllocateAndFreeNothing) {
    start();
    for (const char* line : {"kick #5#-2 &1", "snare 0.5 #", "hh #-#12", "bpm 240 1"})
        ASSERT_TRUE(run(line).ok) << line;
    std::vector<float> period(2 * 512);
    core->engine().renderPeriod(period.data(), 512);  // first use of anything lazily made

    long allocations = 0, frees = 0;
    float loudest = 0;
    std::weak_ptr<AudioBuffer> replaced;
    for (int i = 0; i < 2000; ++i) {
        if (i % 100 == 50) {
            // Between periods, on this same thread: a preview, and a new version of a sample
            // that voices still play, whose last reference a voice then holds.
            ASSERT_TRUE(core->playSample("hh"));
            std::vector<float> samples(2 * 96000, 0.25f);
            auto longer = std::make_shared<AudioBuffer>(std::move(samples));
            if (i == 50) replaced = longer;
            core->setSample(pack("default") + "/kick.wav", std::move(longer));
        }
        const long allocated = allocationCount(), freed = freeCount();
        core->engine().renderPeriod(period.data(), 512);
        allocations += allocationCount() - allocated;
        frees += freeCount() - freed;
        for (float sample : period) loudest = std::max(loudest, std::abs(sample));
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(frees, 0);
    EXPECT_GT(loudest, 0.4f) << "the steps sounded";
    EXPECT_TRUE(waitUntil([&] { return replaced.expired(); })) << "released off the audio thread";
}

}  // namespace
}  // namespace zaffo::testing
