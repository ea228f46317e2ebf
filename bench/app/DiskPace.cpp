// How fast the real program plays the heavy patch through SDL's disk driver, which waits a
// fixed time after every period: an idle program runs at about 1.07 times real time.
// Usage: disk_pace [instruments] [seconds]   (default 64 instruments, 20 s)

#include "StressPatch.h"

#include "app/App.h"
#include "audio/AudioEngine.h"
#include "bench/app/UsePack.h"
#include "command/CommandParser.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    using namespace zaffo;
    const int instruments = argc > 1 ? std::atoi(argv[1]) : 64;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;
    const std::string base = bench::makeTempFolder("zaffo-disk");
    const std::string output = base + "/out.raw";
    bench::writePack(base, "default", 1, 0.1);
    std::filesystem::create_directories(base + "/samples/disk");
    bench::writeStereoSample(base + "/samples/disk/s0.wav", 5.0, 0);
    for (int i = 1; i < instruments; ++i)
        std::filesystem::copy_file(base + "/samples/disk/s0.wav",
                                   base + "/samples/disk/" + bench::sampleName(i) + ".wav");
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    {
        App app(base);
        usePack(app, "disk");
        for (const std::string& line : bench::patchLines(instruments)) app.commands().run(line);
        const auto begin = std::chrono::steady_clock::now();
        if (!app.core().startSound()) return 1;
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        app.core().stopSound();
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - begin;
        const double played =
            static_cast<double>(std::filesystem::file_size(output)) / (2 * sizeof(float)) / engineSampleRate;
        std::printf("instruments=%d played=%.1fs wall=%.1fs realtime=%.2fx\n", instruments, played, wall.count(),
                    played / wall.count());
    }
    std::filesystem::remove_all(base);
    return 0;
}
