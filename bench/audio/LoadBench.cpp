#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/SampleLoader.h"

namespace zaffo {
namespace {

constexpr int seconds = 10;

// Writes ten seconds of a 44100 Hz stereo chord once per format and returns its path.
std::string fixture(int format, const char* name) {
    const auto path = std::filesystem::temp_directory_path() / name;
    const int rate = 44100;
    std::vector<float> samples(std::size_t{seconds} * rate * 2);
    for (std::size_t f = 0; f < samples.size() / 2; ++f) {
        const double t = static_cast<double>(f) / rate;
        samples[2 * f] = static_cast<float>(0.3 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * 1234 * t));
        samples[2 * f + 1] = static_cast<float>(0.3 * std::sin(2 * M_PI * 330 * t));
    }
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
    sf_close(file);
    return path.string();
}

void loadRepeatedly(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        auto buffer = loadSample(path);
        if (!buffer) state.SkipWithError("fixture did not load");
        benchmark::DoNotOptimize(buffer);
    }
    state.counters["audio_seconds_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * seconds, benchmark::Counter::kIsRate);
}

void BM_LoadWav44100Stereo(benchmark::State& state) {
    static const std::string path = fixture(SF_FORMAT_WAV | SF_FORMAT_PCM_16, "zaffo-bench-44100.wav");
    loadRepeatedly(state, path);
}
BENCHMARK(BM_LoadWav44100Stereo)->Unit(benchmark::kMillisecond);

void BM_LoadMp3_44100Stereo(benchmark::State& state) {
    static const std::string path = fixture(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, "zaffo-bench-44100.mp3");
    loadRepeatedly(state, path);
}
BENCHMARK(BM_LoadMp3_44100Stereo)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zaffo
