// The interface, audio and watcher threads meeting in one App: run under ThreadSanitizer, this
// catches unguarded shared state and lock-order inversions.

#include "AppFixture.h"

#include "app/AppScreen.h"

#include <atomic>
#include <thread>

namespace zaffo::testing {
namespace {

TEST_F(AppTest, CommandsReloadsAndTheAudioThreadShareTheAppSafely) {
    start();
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> period(2 * 256);
        while (!done) app->audioEngine().renderPeriod(period.data(), 256);
    });
    AppScreen screen(*app);
    for (int round = 0; round < 20; ++round) {
        for (const char* line : {"kick #-#5 &1", "hh 0.5 #", "=a", "snare #--", "a", "bpm 400", "kick", "volume 0.9",
                                 "/hh", "use other", "boom #", "use default", "kick -#"})
            run(line);
        writeWav(pack("default") + "/clap.wav", 100 + round);
        ui::Screen grid(200, 50);
        ui::Render(grid, screen.root()->Render());
    }
    EXPECT_TRUE(waitUntil([&] { return app->hasSample("clap"); }));
    done = true;
    audio.join();
}

}  // namespace
}  // namespace zaffo::testing
