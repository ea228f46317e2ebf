// What the mix costs per voice and frame when each voice reads a buffer of its own, from a position
// of its own, as a pack of real samples does: beside it, the plain read of the same bytes, which
// is what memory allows at best.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "audio/VoicePool.h"

namespace zaffo {
namespace {

constexpr std::uint32_t period = 1024;
// Voices start this many periods apart at most, and all sound before the clock starts.
constexpr std::uint32_t staggerPeriods = 16;

// One noise-like buffer per voice: 3 MB each for up to 64 voices, 384 KB each for more, so that
// even 1000 voices keep to well under a gigabyte while all together overflow every cache. Taken
// as converted from sourceRate, which sets the pitch kernels they get (the noise is the same).
const std::vector<std::shared_ptr<AudioBuffer>>& buffersFor(std::size_t voices, int sourceRate = engineSampleRate) {
    static std::map<std::pair<std::size_t, int>, std::vector<std::shared_ptr<AudioBuffer>>> made;
    auto& buffers = made[{voices, sourceRate}];
    const std::size_t frames = voices <= 64 ? 4 * engineSampleRate : engineSampleRate / 2;
    std::uint32_t seed = 1;
    while (buffers.size() < voices) {
        std::vector<float> samples(frames * 2);
        for (float& s : samples) {
            seed = seed * 1664525u + 1013904223u;
            s = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
        }
        buffers.push_back(std::make_shared<AudioBuffer>(std::move(samples), sourceRate));
    }
    return buffers;
}

void setCounters(benchmark::State& state, std::size_t voices) {
    const double voiceFrames = static_cast<double>(state.iterations()) * static_cast<double>(voices) * period;
    state.counters["ns_per_voice_frame"] =
        benchmark::Counter(voiceFrames / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime_voices"] = benchmark::Counter(voiceFrames / engineSampleRate, benchmark::Counter::kIsRate);
}

// The voice pool alone, with no deadline, so that no voice is cut for time.
void mixVoices(benchmark::State& state, std::size_t voices, int (*shiftOf)(std::size_t voice),
               int sourceRate = engineSampleRate) {
    const auto& buffers = buffersFor(voices, sourceRate);
    VoicePool pool(voices);
    std::size_t restarts = 0;
    for (std::size_t v = 0; v < voices; ++v)
        pool.start(buffers[v], 0.5f, pitchRatio(shiftOf(v)),
                   static_cast<std::uint32_t>(v * 7919 % (staggerPeriods * period)));
    std::vector<float> out(std::size_t{period} * 2);
    const auto mix = [&] {
        std::fill(out.begin(), out.end(), 0.0f);
        pool.mixInto(out.data(), period, 1.0f, VoicePool::Clock::time_point::max());
        benchmark::DoNotOptimize(out.data());
        // Voices that ended start again, each on the next buffer in turn.
        for (; pool.sounding() < voices; ++restarts)
            pool.start(buffers[restarts % voices], 0.5f, pitchRatio(shiftOf(restarts)), 0);
        pool.releaseQueue().releaseAll();
    };
    for (std::uint32_t p = 0; p < staggerPeriods; ++p) mix();
    for (auto _ : state) mix();
    setCounters(state, voices);
}

// Every shift within an octave either way but none, spread over the voices.
int spreadShift(std::size_t voice) { return static_cast<int>(voice % 23) - 11 + (voice % 23 == 11); }
int noShift(std::size_t) { return 0; }

void BM_MixPitchedVoices(benchmark::State& state) {
    mixVoices(state, static_cast<std::size_t>(state.range(0)), spreadShift);
}
// The same for samples from 44.1 kHz files, as most packs hold: their kernels are shorter.
void BM_MixPitchedVoicesFrom44k(benchmark::State& state) {
    mixVoices(state, static_cast<std::size_t>(state.range(0)), spreadShift, 44100);
}
void BM_MixUnshiftedVoices(benchmark::State& state) {
    mixVoices(state, static_cast<std::size_t>(state.range(0)), noShift);
}
// 64 voices all at one shift: what each shift costs.
void BM_MixVoicesAtOneShift(benchmark::State& state) {
    static int shift;
    shift = static_cast<int>(state.range(0));
    mixVoices(state, 64, [](std::size_t) { return shift; });
}

// Reads every frame that unshifted voices would, from the same buffers and positions, and does no
// more with them than fold them into one word.
void BM_ReadVoiceBytes(benchmark::State& state) {
    const auto voices = static_cast<std::size_t>(state.range(0));
    const auto& buffers = buffersFor(voices);
    std::vector<std::uint64_t> at(voices);
    for (std::size_t v = 0; v < voices; ++v) at[v] = v * 7919 % (staggerPeriods * period);
    for (auto _ : state) {
        std::uint32_t folded = 0;
        for (std::size_t v = 0; v < voices; ++v) {
            if (at[v] + period > buffers[v]->frameCount()) at[v] = 0;
            const float* in = buffers[v]->data() + at[v] * 2;
            for (std::size_t i = 0; i < std::size_t{period} * 2; ++i) {
                std::uint32_t bits;
                std::memcpy(&bits, in + i, sizeof bits);
                folded ^= bits;
            }
            at[v] += period;
        }
        benchmark::DoNotOptimize(folded);
    }
    setCounters(state, voices);
}

BENCHMARK(BM_MixPitchedVoices)->Arg(1)->Arg(64)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixPitchedVoicesFrom44k)->Arg(1)->Arg(64)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixUnshiftedVoices)->Arg(1)->Arg(64)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadVoiceBytes)->Arg(1)->Arg(64)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixVoicesAtOneShift)
    ->Arg(-24)
    ->Arg(-12)
    ->Arg(-7)
    ->Arg(-1)
    ->Arg(1)
    ->Arg(7)
    ->Arg(12)
    ->Arg(24)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zaffo
