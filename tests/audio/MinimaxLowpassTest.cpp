#include "MinimaxLowpass.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zaffo {
namespace {

// The designs of some pitch shifts meet their ripples between the points the exchange watched,
// with symmetric taps; one too short for its transition gives nothing.
TEST(MinimaxLowpass, MeetsItsRipplesOrGivesNothing) {
    constexpr double passRipple = 0.003, stopRipple = 2.5e-6;
    const struct {
        int half;
        double pass, stop;
        bool made;
    } cases[] = {{44, 0.0276, 0.0974, true}, {92, 0.0491, 0.0759, true}, {20, 0.0491, 0.0759, false}};
    for (const auto& c : cases) {
        const auto taps = minimaxLowpass(c.half, c.pass, c.stop, passRipple, stopRipple);
        ASSERT_EQ(taps.has_value(), c.made) << c.half;
        if (!taps) continue;
        ASSERT_EQ(taps->size(), std::size_t(2 * c.half + 1));
        for (int n = 0; n < c.half; ++n) EXPECT_EQ((*taps)[n], (*taps)[2 * c.half - n]);
        double passWorst = 0, stopWorst = 0;
        for (int i = 0; i <= 20000; ++i) {
            const double f = 0.5 * i / 20000;
            double response = 0;
            for (int n = 0; n <= 2 * c.half; ++n) response += (*taps)[n] * std::cos(2 * M_PI * f * (n - c.half));
            if (f <= c.pass) passWorst = std::max(passWorst, std::abs(response - 1));
            if (f >= c.stop) stopWorst = std::max(stopWorst, std::abs(response));
        }
        EXPECT_LE(passWorst, passRipple * 1.05) << c.half;
        EXPECT_LE(stopWorst, stopRipple * 1.05) << c.half;
    }
}

}  // namespace
}  // namespace zaffo
