#pragma once

#include <atomic>

namespace zaffo {

// What the output sounded like since the screen last looked: the highest sample and whether the
// limiter had to turn the level down. The audio thread notes each period; any thread may read.
class LevelMeter {
public:
    struct Reading {
        float peak = 0.0f;
        bool limited = false;
    };

    // Audio thread, once per period. Never waits.
    void note(float periodPeak, bool periodLimited);
    // Returns what was noted since the last take and starts over.
    Reading take();

private:
    std::atomic<float> peak_{0.0f};
    std::atomic<bool> limited_{false};
};

}  // namespace zaffo
