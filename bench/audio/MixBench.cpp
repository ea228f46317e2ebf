#include <benchmark/benchmark.h>
#include <samplerate.h>

#include <cmath>
#include <memory>
#include <vector>

#include "audio/AudioEngine.h"

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

void mixVoices(benchmark::State& state, bool pitched) {
    const auto voices = static_cast<std::size_t>(state.range(0));
    AudioEngine engine(voices);
    auto fill = [&] {
        for (std::size_t v = engine.voiceCount(); v < voices; ++v)
            engine.play(longSample(), 0.5f, pitched ? static_cast<int>(v % 23) - 11 + (v % 23 == 11) : 0);
    };
    fill();
    std::vector<float> out(std::size_t{period} * 2);
    for (auto _ : state) {
        engine.renderPeriod(out.data(), period);
        benchmark::DoNotOptimize(out.data());
        if (engine.voiceCount() < voices)
            fill();
    }
    setCounters(state, state.range(0));
}

void BM_MixPitchedVoices(benchmark::State& state) { mixVoices(state, true); }
void BM_MixUnshiftedVoices(benchmark::State& state) { mixVoices(state, false); }
BENCHMARK(BM_MixPitchedVoices)->Arg(1)->Arg(64)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixUnshiftedVoices)->Arg(1)->Arg(64)->Arg(1000)->Unit(benchmark::kMicrosecond);

// libsamplerate's linear converter alone, one call per period, as a voice makes it.
void BM_LinearConverterOnePeriod(benchmark::State& state) {
    int error = 0;
    SRC_STATE* converter = src_new(SRC_LINEAR, 2, &error);
    auto sample = longSample();
    std::vector<float> out(std::size_t{period} * 2);
    std::uint64_t cursor = 0;
    for (auto _ : state) {
        SRC_DATA data{};
        data.data_in = sample->data() + cursor * 2;
        data.input_frames = static_cast<long>(sample->frameCount() - cursor);
        data.data_out = out.data();
        data.output_frames = period;
        data.src_ratio = 0.7491535;  // five semitones up
        src_process(converter, &data);
        cursor += static_cast<std::uint64_t>(data.input_frames_used);
        if (cursor + 8 * period > sample->frameCount()) {
            cursor = 0;
            src_reset(converter);
        }
        benchmark::DoNotOptimize(out.data());
    }
    src_delete(converter);
    setCounters(state, 1);
}
BENCHMARK(BM_LinearConverterOnePeriod);

}  // namespace
}  // namespace zaffo
