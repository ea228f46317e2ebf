#pragma once

#include <cstdint>
#include <vector>

namespace zaffo {

// A decoded sample in the engine's one format: interleaved stereo 32-bit float at
// engineSampleRate. Never changed after construction, so the audio thread reads it
// without a lock; shared pointers keep it alive while any voice still plays it.
class AudioBuffer {
public:
    static constexpr int channels = 2;

    // samples holds frameCount * channels floats, frame after frame (left, right, ...).
    explicit AudioBuffer(std::vector<float> samples);
    virtual ~AudioBuffer() = default;

    AudioBuffer(const AudioBuffer&) = delete;
    AudioBuffer& operator=(const AudioBuffer&) = delete;

    const float* data() const { return samples_.data(); }
    std::uint64_t frameCount() const { return samples_.size() / channels; }

private:
    const std::vector<float> samples_;
};

inline constexpr int engineSampleRate = 96000;

}  // namespace zaffo
