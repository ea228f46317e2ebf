#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "audio/VoicePool.h"

#include <algorithm>

namespace zaffo {
namespace {

constexpr std::uint32_t period = 1024;

// A minute of noise-like material, shared by every voice; long enough that no voice
// ends during a run, and too large for the caches, as real samples are.
std::shared_ptr<AudioBuffer> longSample() {
    static const auto sample = [] {
        std::vector<float> samples(std::size_t{60} * engineSampleRate * 2);
        std::uint32_t seed = 1;
        for (float& s : samples) {
            seed = seed * 1664525u + 1013904223u;
            s = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
        }
        return std::make_shared<AudioBuffer>(std::move(samples));
    }();
    return sample;
}

void setCounters(benchmark::State& state, std::int64_t voices) {
    const double voiceFrames = static_cast<double>(state.iterations()) * static_cast<double>(voices) * period;
    state.counters["ns_per_voice_frame"] =
        benchmark::Counter(voiceFrames / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime_voices"] = benchmark::Counter(voiceFrames / engineSampleRate, benchmark::Counter::kIsRate);
}

// The voice pool alone, with no deadline, so that no voice is cut for time.
void mixVoices(benchmark::State& state, bool pitched) {
    const auto voices = static_cast<std::size_t>(state.range(0));
    VoicePool pool(voices);
    auto fill = [&] {
        for (std::size_t v = pool.sounding(); v < voices; ++v)
            pool.start(longSample(), 0.5f, pitched ? pitchRatio(static_cast<int>(v % 23) - 11 + (v % 23 == 11)) : 1.0,
                       0);
    };
    fill();
    std::vector<float> out(std::size_t{period} * 2);
    for (auto _ : state) {
        std::fill(out.begin(), out.end(), 0.0f);
        pool.mixInto(out.data(), period, 1.0f, VoicePool::Clock::time_point::max());
        benchmark::DoNotOptimize(out.data());
        if (pool.sounding() < voices) {
            pool.releaseQueue().releaseAll();
            fill();
        }
    }
    setCounters(state, state.range(0));
}

void BM_MixPitchedVoices(benchmark::State& state) { mixVoices(state, true); }
void BM_MixUnshiftedVoices(benchmark::State& state) { mixVoices(state, false); }
BENCHMARK(BM_MixPitchedVoices)->Arg(1)->Arg(64)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixUnshiftedVoices)->Arg(1)->Arg(64)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zaffo
