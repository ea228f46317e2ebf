// The whole audio callback of the running program, clock, triggers and mix, allocates nothing.

#include "AppFixture.h"

#include "tests/support/CountingAllocator.h"

#include <algorithm>
#include <cmath>

namespace zaffo::testing {
namespace {

TEST_F(AppTest, PeriodsThatTriggerAndMixVoicesAllocateNothing) {
    start();
    for (const char* line : {"kick #5#-2 &1", "snare 0.5 #", "hh #-#12"}) ASSERT_TRUE(run(line).ok) << line;
    std::vector<float> period(2 * 512);
    app->audioEngine().renderPeriod(period.data(), 512);  // first use of anything lazily made

    const long before = allocationCount();
    float loudest = 0;
    for (int i = 0; i < 2000; ++i) {
        app->audioEngine().renderPeriod(period.data(), 512);
        for (float sample : period) loudest = std::max(loudest, std::abs(sample));
    }
    EXPECT_EQ(allocationCount() - before, 0);
    EXPECT_GT(loudest, 0.4f) << "the steps sounded";
}

}  // namespace
}  // namespace zaffo::testing
