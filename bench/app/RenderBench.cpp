// How many times faster than real time a composition renders to a WAV file: eight instruments
// of the bundled default pack, half of their hits pitched, 120 bpm, 64 measures. The pack is
// loaded once, before the clock starts; writing the file is part of every run.

#include "audio/AudioBuffer.h"
#include "audio/WavFile.h"
#include "core/CommandRunner.h"
#include "core/Core.h"
#include "core/OfflineRender.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void BM_RenderSixtyFourMeasures(benchmark::State& state) {
    // As `zaffo render` has it: a core with no watcher and no screen.
    zaffo::Core core(ZAFFO_BUILD_DIR, zaffo::Core::Mode::offline, [](const zaffo::AnswerLine&) {});
    uint32_t tutorialStep = 0;
    zaffo::CommandRunner commands(core, tutorialStep);
    for (const char* line : {"kick #-#5-#-#7-", "snare -#3-#-#9-#", "hh #12-#-#2-#-", "oh -#-#4-#-#1",
                             "clap #-#10-#-#6-", "rim -#8-#-#11-#", "tom #5-#-#3-#-", "cowbell -#-#7-#-#2"}) {
        if (!commands.run(line).ok) state.SkipWithError(line);
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "zaffo-render-XXXXXX").string();
    const std::string folder = ::mkdtemp(pattern.data());
    double seconds = 0;
    for (auto _ : state) {
        zaffo::WavFile file;
        if (!file.create(folder + "/take.wav")) state.SkipWithError("cannot write");
        zaffo::renderSections(core, {{"", 64}}, file, [](double) { return true; });
        file.close();
        seconds += static_cast<double>(file.frames()) / zaffo::engineSampleRate;
        std::filesystem::remove(folder + "/take.wav");
    }
    // Seconds of sound per second of processor time: times real time. (On a shared machine the
    // wall clock says more about the neighbours than about the render.)
    state.counters["x_real_time"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RenderSixtyFourMeasures)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
