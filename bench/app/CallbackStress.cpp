// The real program's period function at the pace of a sound card, one 1024-frame period every
// 10.7 ms, with 64 instruments playing, while a second thread types commands (edits, parts,
// save, load, use) and draws the screen, and a third rewrites sample files in the current pack.
// Prints how long the periods took:
//   callback_us p50=N p99=N p999=N max=N budget=N
// Usage: callback_stress [seconds]   (default 30; also ZAFFO_STRESS_SECONDS)
//        ZAFFO_STRESS_REALTIME=1 callback_stress   runs the period thread at real-time priority

#include "StressPatch.h"

#include "app/App.h"
#include "app/AppScreen.h"
#include "audio/AudioEngine.h"
#include "audio/MixDeadline.h"
#include "bench/app/UsePack.h"
#include "command/CommandParser.h"
#include "sequencer/Sequencer.h"
#include "ui/Screen.h"

#include <pthread.h>
#include <sched.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace zaffo;

constexpr int instrumentCount = 64;
constexpr std::uint32_t periodFrames = 1024;
const std::string packName = "stress";

double secondsToRun(int argc, char** argv) {
    const char* text = argc > 1 ? argv[1] : std::getenv("ZAFFO_STRESS_SECONDS");
    const double seconds = text ? std::atof(text) : 30.0;
    return seconds > 0 ? seconds : 30.0;
}

void typePatch(App& app) {
    for (const std::string& line : bench::patchLines(instrumentCount)) app.commands().run(line);
}

// The interface thread: one command every 20 ms, a redraw after each. Mostly edits and parts;
// every 60th line saves, loads or switches the pack (which reloads all of its samples).
std::string nextCommand(std::size_t i) {
    switch (i % 60) {
        case 20:
            return "save stress_song";
        case 40:
            return "load stress_song";
        case 58:
            return "use " + packName;
        case 59:
            return "load stress_song";
    }
    const std::string name = bench::sampleName(static_cast<int>(i * 7 % instrumentCount));
    const std::string edits[] = {
        name + " #-#5-#-12 &2", name + " 0.3", "=a", name + " -#-#12#-24", "=b", "a", name, ".s1", ">s1", "b",
        name + " 0.2 #24#-24#", "/a"};
    return edits[i % std::size(edits)];
}

void typeCommands(App& app, const std::atomic<bool>& done) {
    AppScreen screen(app.core(), app.messageLog(), app.commands());
    for (std::size_t i = 0; !done; ++i) {
        app.commands().run(nextCommand(i));
        ui::Screen grid(200, 60);
        ui::Render(grid, screen.root()->Render());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Someone copying new versions of the samples into the pack, one file every 100 ms.
void rewriteSamples(const std::string& base, const std::atomic<bool>& done) {
    for (int i = 0; !done; ++i) {
        const std::string path = base + "/samples/" + packName + "/" + bench::sampleName(i % instrumentCount) + ".wav";
        bench::writeStereoSample(path, 1.0, i);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

long percentile(const std::vector<long>& sorted, double fraction) {
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return sorted[at];
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = secondsToRun(argc, argv);
    const std::string base = bench::makeTempFolder("zaffo-stress");
    bench::writePack(base, "default", 1, 0.1);
    bench::writePack(base, packName, instrumentCount, 1.0);
    {
        App app(base);
        usePack(app, packName);
        typePatch(app);
        app.commands().run("save stress_song");

        const auto period = std::chrono::nanoseconds(1'000'000'000LL * periodFrames / engineSampleRate);
        const auto periods = static_cast<std::size_t>(seconds * engineSampleRate / periodFrames);
        std::vector<long> micros, cpuMicros;
        micros.reserve(periods);
        cpuMicros.reserve(periods);
        std::vector<float> out(std::size_t{periodFrames} * 2);

        std::atomic<bool> done{false};
        std::thread typist([&] { typeCommands(app, done); });
        std::thread copier([&] { rewriteSamples(base, done); });
        double voiceSum = 0;
        // SDL runs its audio thread at a raised priority where it may; so does this one, with
        // ZAFFO_STRESS_REALTIME=1, when the system lets it.
        if (const char* realtime = std::getenv("ZAFFO_STRESS_REALTIME"); realtime && *realtime == '1') {
            sched_param parameter{};
            parameter.sched_priority = 10;
            const int failed = pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter);
            std::fprintf(stderr, "real-time priority: %s\n", failed ? "refused" : "on");
        }
        auto next = Clock::now();
        for (std::size_t p = 0; p < periods; ++p) {
            std::this_thread::sleep_until(next);
            const auto begin = Clock::now();
            // Time the thread ran, so that waits for the processor show apart from work.
            const auto cpuBegin = threadCpuTime();
            app.core().engine().renderRealTimePeriod(out.data(), periodFrames);
            cpuMicros.push_back(
                std::chrono::duration_cast<std::chrono::microseconds>(threadCpuTime() - cpuBegin).count());
            const auto end = Clock::now();
            micros.push_back(std::chrono::duration_cast<std::chrono::microseconds>(end - begin).count());
            next = std::max(next + period, end);
            voiceSum += app.core().engine().voiceCount();
        }
        done = true;
        typist.join();
        copier.join();

        std::sort(cpuMicros.begin(), cpuMicros.end());
        std::fprintf(stderr,
                     "%zu periods, %.0f voices sounding on average, %llu cut for time; on the processor: "
                     "p50=%ld p99=%ld p999=%ld max=%ld\n",
                     periods, voiceSum / static_cast<double>(periods),
                     static_cast<unsigned long long>(app.core().engine().voicesCutForTime()),
                     percentile(cpuMicros, 0.5), percentile(cpuMicros, 0.99), percentile(cpuMicros, 0.999),
                     cpuMicros.back());
        std::sort(micros.begin(), micros.end());
        std::printf("callback_us p50=%ld p99=%ld p999=%ld max=%ld budget=%ld\n", percentile(micros, 0.5),
                    percentile(micros, 0.99), percentile(micros, 0.999), micros.back(),
                    static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(period).count()));
    }
    std::filesystem::remove_all(base);
    return 0;
}
