#pragma once

#include <array>
#include <cstdint>

#include "audio/LevelMeter.h"

namespace zaffo {

// Keeps the master output below full scale without clipping it. The output is the input
// delayed by delayFrames; where the input stays at or below `ceiling` it passes bit for bit.
// Louder passages are turned down just enough, with a gain that starts falling delayFrames
// before a peak arrives (so no sample above the ceiling gets out) and rises again slowly
// (so a steady loud tone is scaled, not distorted). Both channels share one gain, so the
// stereo image stays. Deterministic, and it neither allocates nor waits: everything it needs
// is part of the object.
class MasterLimiter {
public:
    // -1 dBFS: room for the conversions after us, which may overshoot between samples.
    static constexpr float ceiling = 0.89125094f;
    // 1.5 ms at 96 kHz: long enough for the gain to glide down instead of jumping.
    static constexpr std::uint32_t delayFrames = 144;

    // Limits frames of interleaved stereo in place, and notes the result on the meter.
    void process(float* samples, std::uint32_t frames);

    // Forgets the frames on their way and any gain reduction: what follows starts from silence.
    void reset() { state_ = State{}; }

    LevelMeter& meter() { return meter_; }

private:
    // The gain is held in fixed point while it is smoothed, so that sums are exact and full
    // gain adds up to exactly 1.
    static constexpr std::int32_t unity = 1 << 24;
    static constexpr std::uint32_t window = delayFrames + 1;

    float processFrame(float* frame);
    std::int32_t releasedGain(float wanted);
    std::int32_t lowestInWindow(std::int32_t gain);
    float smoothedGain(std::int32_t held);

    struct Held {
        std::int32_t gain;
        std::uint64_t frame;
    };
    static constexpr std::array<std::int32_t, window> filled(std::int32_t value) {
        std::array<std::int32_t, window> values{};
        for (auto& v : values) v = value;
        return values;
    }

    struct State {
        // Gain after the slow release; in double, so that its last steps towards 1 are not lost.
        double released = 1.0;
        std::uint64_t frame = 0;

        // The lowest gain over the last `window` frames: a queue of rising gains with their frames.
        std::array<Held, window> lows{};
        std::uint32_t lowsFront = 0;
        std::uint32_t lowsCount = 0;

        // The mean of the held gain over the last `window` frames.
        std::array<std::int32_t, window> recentHeld = filled(unity);
        std::int64_t heldSum = std::int64_t{unity} * window;
        std::uint32_t recentAt = 0;

        std::array<float, 2 * delayFrames> delayed{};
        std::uint32_t delayedAt = 0;
    };

    State state_;
    LevelMeter meter_;
};

}  // namespace zaffo
