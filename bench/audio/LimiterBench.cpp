// The master limiter's cost per 1024-frame period at 96 kHz, against the 1 % of the period's
// 10.67 ms that it may take: on a quiet mix that passes untouched and on a loud one it turns down.
// Prints share_of_period (in %) beside the time.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "audio/AudioBuffer.h"
#include "audio/MasterLimiter.h"

namespace zaffo {
namespace {

constexpr std::uint32_t period = 1024;

void limitPeriods(benchmark::State& state) {
    const float level = static_cast<float>(state.range(0)) / 100.0f;
    std::vector<float> mix(std::size_t{period} * 2 * 64);
    std::uint32_t seed = 1;
    for (float& s : mix) {
        seed = seed * 1664525u + 1013904223u;
        s = level * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    std::vector<float> out(std::size_t{period} * 2);
    MasterLimiter limiter;
    std::size_t at = 0;
    for (auto _ : state) {
        std::copy_n(mix.begin() + static_cast<std::ptrdiff_t>(at), out.size(), out.begin());
        limiter.process(out.data(), period);
        benchmark::DoNotOptimize(out.data());
        at = (at + out.size()) % mix.size();
    }
    const double periodSeconds = static_cast<double>(period) / engineSampleRate;
    state.counters["share_of_period_pct"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * periodSeconds / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Peak levels in hundredths: 0.5 (untouched) and 3.0 (limited throughout).
BENCHMARK(limitPeriods)->Arg(50)->Arg(300);

}  // namespace
}  // namespace zaffo
