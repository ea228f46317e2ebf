#pragma once

#include <cstdint>
#include <memory>

#include "audio/AudioBuffer.h"

typedef struct SRC_STATE_tag SRC_STATE;

namespace zaffo {

// Output frames per input frame for a shift of pitch semitones: 2^(-pitch/12), taken
// through a whole-numbered output rate at engineSampleRate (never below 1) and clamped
// to the range libsamplerate accepts (1/256 to 256).
double pitchRatio(int pitch);

// One voice: plays a buffer once through its own linear converter. The converter is
// made once, up front, and only reset when the voice is started again, so starting a
// voice on the audio thread allocates nothing.
class AudioPlayer {
public:
    AudioPlayer();
    virtual ~AudioPlayer();

    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    // False when the converter could not be made; such a voice is never started.
    bool ready() const { return converter_ != nullptr; }

    // startFrame is the frame of the next mixed period at which the voice begins.
    void start(std::shared_ptr<AudioBuffer> buffer, float volume, double ratio, std::uint32_t startFrame);

    // Adds the voice's next frameCount frames, times volume and masterVolume, to the
    // interleaved stereo out. scratch holds at least 2 * frameCount floats. Returns
    // false when the voice is finished: its input is used up, or its converter failed.
    bool mixInto(float* out, std::uint32_t frameCount, float masterVolume, float* scratch);

    // Lets go of the buffer once the voice is finished.
    void release() { buffer_.reset(); }

    std::uint64_t cursor() const { return cursor_; }

private:
    bool mixDirect(float* out, std::uint32_t frames, float gain);
    bool mixConverted(float* out, std::uint32_t frames, float gain, float* scratch);

    SRC_STATE* converter_ = nullptr;
    std::shared_ptr<AudioBuffer> buffer_;
    std::uint64_t cursor_ = 0;
    float volume_ = 0.0f;
    double ratio_ = 1.0;
    std::uint32_t startFrame_ = 0;
};

}  // namespace zaffo
