#pragma once

#include <cstdint>

namespace zaffo {

// The system's default playback device through SDL's audio subsystem, asking for the
// engine's format (interleaved stereo 32-bit float at engineSampleRate) and leaving
// any conversion to the hardware's format to SDL. Only the interface thread opens and
// closes it; render runs on SDL's audio thread.
class AudioDevice {
public:
    using Render = void (*)(void* user, float* out, std::uint32_t frameCount);
    enum class StartResult { started, openFailed, startFailed };

    // Small periods keep the step onsets and the controls responsive.
    static constexpr std::uint16_t requestedPeriodFrames = 1024;

    AudioDevice() = default;
    virtual ~AudioDevice();

    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    StartResult open(Render render, void* user);
    // Stops the device and waits for a period in progress, so the caller must not hold
    // any lock that render takes.
    void close();
    bool isOpen() const { return id_ != 0; }
    // The frames of one buffer as SDL obtained it: what is rendered now is heard about that
    // much later. 0 while closed.
    std::uint32_t obtainedPeriodFrames() const { return obtainedFrames_; }

private:
    static void callback(void* self, std::uint8_t* stream, int length);

    std::uint32_t id_ = 0;
    std::uint32_t obtainedFrames_ = 0;
    Render render_ = nullptr;
    void* user_ = nullptr;
};

}  // namespace zaffo
