#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zaffo {

inline constexpr int engineSampleRate = 96000;

// A decoded sample in the engine's one format: interleaved stereo 32-bit float at
// engineSampleRate. Never changed after construction, so the audio thread reads it
// without a lock; shared pointers keep it alive while any voice still plays it.
//
// Beside the frames it keeps band-limited copies at a half and a quarter of the rate, made once
// here, so that a voice shifted up reads material that has nothing left above the new Nyquist
// frequency (and reads fewer frames). Together they cost three quarters of the frames again.
class AudioBuffer {
public:
    static constexpr int channels = 2;
    // Level 0 is the frames themselves; level k holds them at engineSampleRate / 2^k.
    static constexpr int levels = 3;

    // samples holds frameCount * channels floats, frame after frame (left, right, ...), converted
    // from material at sourceRate, which bounds what they can hold.
    explicit AudioBuffer(std::vector<float> samples, int sourceRate = engineSampleRate);
    virtual ~AudioBuffer() = default;

    AudioBuffer(const AudioBuffer&) = delete;
    AudioBuffer& operator=(const AudioBuffer&) = delete;

    const float* data() const { return samples_.data(); }
    std::uint64_t frameCount() const { return samples_.size() / channels; }
    // The highest frequency the frames can hold: the source's Nyquist frequency or the engine's.
    double bandwidth() const { return bandwidth_; }

    // Frame j of level k lies at the time of frame j * 2^k. A level may be a frame shorter than
    // that suggests, or empty where it could not be made (then it plays as silence).
    const float* data(int level) const { return level == 0 ? data() : copies_[level - 1].data(); }
    std::uint64_t frameCount(int level) const {
        return level == 0 ? frameCount() : copies_[level - 1].size() / channels;
    }

private:
    const std::vector<float> samples_;
    const double bandwidth_;
    std::array<std::vector<float>, levels - 1> copies_;
};

}  // namespace zaffo
