#pragma once

#include <cstdint>
#include <memory>

#include "audio/AudioBuffer.h"

namespace zaffo {

class PitchFilter;

// Output frames per input frame for a shift of pitch semitones: 2^(-pitch/12), taken
// through a whole-numbered output rate at engineSampleRate, at least 1 and at most what
// 32 bits hold.
double pitchRatio(int pitch);

// One voice: plays a buffer once. Unshifted, it adds the buffer's frames as they are; shifted, it
// steps through them with a fractional read position and takes each output frame through the
// shift's band-limiting kernel (PitchFilter), reading the buffer's copy at the rate that kernel
// chose. Starting and mixing a voice allocate and free nothing (the kernels are made once, with
// the first voice pool); its owner moves the buffer out of heldBuffer() once the voice is done.
class AudioPlayer {
public:
    // The read position is a frame index with this many bits of fraction.
    static constexpr int fractionBits = 32;

    // startFrame is the frame of the next mixed period at which the voice begins.
    void start(std::shared_ptr<AudioBuffer> buffer, float volume, double ratio, std::uint32_t startFrame);

    // Adds the voice's next frameCount frames, times volume and masterVolume, to the
    // interleaved stereo out (and touches nothing else there). Returns false when the voice has used up its input.
    bool mixInto(float* out, std::uint32_t frameCount, float masterVolume);

    std::shared_ptr<AudioBuffer>& heldBuffer() { return buffer_; }

private:
    static constexpr std::uint64_t wholeFrame = std::uint64_t{1} << fractionBits;

    std::uint64_t mixDirect(float* out, std::uint32_t frames, float gain);
    std::uint64_t mixFiltered(float* out, std::uint32_t frames, float gain);

    std::shared_ptr<AudioBuffer> buffer_;
    std::uint64_t frameCount_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t step_ = wholeFrame;
    const PitchFilter* filter_ = nullptr;
    float volume_ = 0.0f;
    std::uint32_t startFrame_ = 0;
};

}  // namespace zaffo
