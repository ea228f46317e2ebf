// How long the screen stands still while a pack of one-second samples loads: sixteen of them, and sixty.

#include "app/App.h"
#include "bench/app/UsePack.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void writeStereoSecond(const std::string& path, int seed) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    std::vector<float> samples(2 * 44100);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.5f * static_cast<float>(std::sin(0.01 * (seed + 1) * static_cast<double>(i)));
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_writef_float(file, samples.data(), 44100);
    sf_close(file);
}

void BM_SwitchToPackOfSeconds(benchmark::State& state) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zaffo-bench-XXXXXX").string();
    const std::string base = ::mkdtemp(pattern.data());
    std::filesystem::create_directories(base + "/samples/pack");
    for (int i = 0; i < state.range(0); ++i) {
        writeStereoSecond(base + "/samples/pack/s" + std::to_string(i) + ".wav", i);
    }
    {
        zaffo::App app(base);
        for (auto _ : state) {
            usePack(app, "pack");
        }
    }
    std::filesystem::remove_all(base);
}
BENCHMARK(BM_SwitchToPackOfSeconds)->Arg(16)->Arg(60)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
