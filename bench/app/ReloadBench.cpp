// How soon a file dropped into the current pack is playable when other files make trouble, and
// how long a pack switch takes while a large file is being copied in.

#include "app/App.h"
#include "bench/app/UsePack.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void writeWav(const std::string& path, int frames = 4800) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    const std::vector<short> samples(static_cast<size_t>(frames) * 2, 1000);
    sf_writef_short(file, samples.data(), frames);
    sf_close(file);
}

struct Base {
    Base() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zaffo-bench-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
        std::filesystem::create_directories(pack());
        std::filesystem::create_directories(path + "/samples/other");
        writeWav(pack() + "/kick.wav");
    }
    ~Base() { std::filesystem::remove_all(path); }
    std::string pack() const { return path + "/samples/default"; }
    std::string path;
};

bool listed(zaffo::App& app, const std::string& name) {
    const auto names = app.core().samples().names();
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Seconds from copying good.wav into the pack until it is in the sample table.
double secondsUntilPlayable(zaffo::App& app, const std::string& pack, const std::string& name) {
    const auto start = Clock::now();
    writeWav(pack + "/" + name + ".wav");
    while (!listed(app, name)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_GoodFileAfterAHundredBroken(benchmark::State& state) {
    Base base;
    zaffo::App app(base.path);
    int round = 0;
    for (auto _ : state) {
        const std::string tag = std::to_string(round++);
        for (int i = 0; i < 100; ++i)
            std::ofstream(base.pack() + "/broken" + tag + "-" + std::to_string(i) + ".wav") << "x";
        state.SetIterationTime(secondsUntilPlayable(app, base.pack(), "good" + tag));
    }
}
BENCHMARK(BM_GoodFileAfterAHundredBroken)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The argument is how many seconds of copying, renaming and deleting go before the new file.
void BM_NewFileAfterChurn(benchmark::State& state) {
    Base base;
    zaffo::App app(base.path);
    for (auto _ : state) {
        const auto end = Clock::now() + std::chrono::seconds(state.range(0));
        for (int i = 0; Clock::now() < end; ++i) {
            const std::string a = base.pack() + "/churn" + std::to_string(i % 50) + ".wav";
            const std::string b = base.pack() + "/moved" + std::to_string(i % 50) + ".wav";
            writeWav(a, 480);
            std::filesystem::rename(a, b);
            if (i % 3 == 0) std::filesystem::remove(b);
        }
        state.SetIterationTime(secondsUntilPlayable(app, base.pack(), "fresh"));
    }
}
BENCHMARK(BM_NewFileAfterChurn)->Arg(60)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// A 100 MB file copied in at about 50 MB/s while the pack is switched away and back.
void BM_UseWhileALargeFileIsCopied(benchmark::State& state) {
    Base base;
    zaffo::App app(base.path);
    for (auto _ : state) {
        state.PauseTiming();
        std::thread copy([&] {
            std::ofstream file(base.pack() + "/large.wav", std::ios::binary);
            const std::string block(1 << 20, '\0');
            for (int i = 0; i < 100; ++i) {
                file.write(block.data(), static_cast<std::streamsize>(block.size()));
                file.flush();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        state.ResumeTiming();
        const auto start = Clock::now();
        usePack(app, "other");
        usePack(app, "default");
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        state.PauseTiming();
        copy.join();
        std::filesystem::remove(base.pack() + "/large.wav");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UseWhileALargeFileIsCopied)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// A pack switch while a decode of 590 s of 44.1 kHz stereo is in hand.
void BM_UseWhileALongFileIsDecoded(benchmark::State& state) {
    Base base;
    const std::string staged = base.path + "/long.wav";
    writeWav(staged, 44100 * 590);
    zaffo::App app(base.path);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(staged, base.pack() + "/long.wav",
                                   std::filesystem::copy_options::overwrite_existing);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // settled: the decode has begun
        state.ResumeTiming();
        const auto start = Clock::now();
        usePack(app, "other");
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        state.PauseTiming();
        usePack(app, "default");
        std::filesystem::remove(base.pack() + "/long.wav");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UseWhileALongFileIsDecoded)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
