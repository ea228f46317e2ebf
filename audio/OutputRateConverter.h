#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/AudioDevice.h"

struct SRC_STATE_tag;

namespace zaffo {

// Hands out interleaved stereo frames at an output rate of the device's, rendering the engine's periods at
// engineSampleRate as they are needed and converting them. At the engine's own rate it renders straight into the
// output. pull never allocates: everything is made by the constructor.
class OutputRateConverter {
public:
    // The most frames one pull may ask for.
    static constexpr std::uint32_t maxPullFrames = 4096;

    // outputRate must be valid(); check it first.
    explicit OutputRateConverter(std::uint32_t outputRate);
    ~OutputRateConverter();
    OutputRateConverter(const OutputRateConverter&) = delete;
    OutputRateConverter& operator=(const OutputRateConverter&) = delete;

    // Rates that can be converted to: from a quarter of the engine's to four times it.
    static bool valid(std::uint32_t outputRate);
    // False when the converter could not be made.
    bool ready() const { return outputRate_ == engineRate() || state_ != nullptr; }

    // Fills `frames` (at most maxPullFrames) frames of out, calling render for the engine frames that needs.
    void pull(float* out, std::uint32_t frames, AudioDevice::Render render, void* user);

    // Engine frames from the moment a period is rendered to the moment its first frame leaves pull, when pull is
    // asked for `pullFrames` frames at a time: what the converter's filter holds back, and what waits in its queue.
    // Worked out on a converter of its own fed with silence.
    // Frames handed out, and engine frames rendered, since the converter was made. Engine frame n comes out as
    // frame n * outputRate / engineSampleRate.
    std::uint64_t pulled() const { return pulled_; }
    std::uint64_t rendered() const { return rendered_; }
    double ratio() const { return ratio_; }

    static std::uint32_t delayFrames(std::uint32_t outputRate, std::uint32_t pullFrames);

private:
    static std::uint32_t engineRate();
    void convert(std::uint32_t engineFrames);

    std::uint32_t outputRate_;
    double ratio_;
    SRC_STATE_tag* state_ = nullptr;
    std::vector<float> engineFrames_;
    std::vector<float> queue_;  // converted frames not yet pulled
    std::uint32_t queued_ = 0;
    std::uint64_t pulled_ = 0;
    std::uint64_t rendered_ = 0;
};

}  // namespace zaffo
