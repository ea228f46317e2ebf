#pragma once

#include "audio/AudioDevice.h"

#include <string>

namespace zaffo {

// The system's default playback device through SDL's audio subsystem, asking for the engine's format (interleaved
// stereo 32-bit float at engineSampleRate) and leaving any conversion to the hardware's format to SDL. render runs
// on SDL's audio thread.
class SdlDevice : public AudioDevice {
public:
    // Small periods keep the step onsets and the controls responsive.
    static constexpr std::uint16_t requestedPeriodFrames = 1024;

    // When a start fails, `failure` (if given) is set to which of SDL's drivers were tried and what the last
    // one said, for the musician; it must outlive the call to start.
    explicit SdlDevice(std::string* failure = nullptr) : failure_(failure) {}
    ~SdlDevice() override;

    SdlDevice(const SdlDevice&) = delete;
    SdlDevice& operator=(const SdlDevice&) = delete;

    // Closes the device first if it is open.
    StartResult start(Render render, void* user) override;
    void stop() override;
    // Every buffer that SDL and its backend hold: the obtained buffer's frames times the buffers the backend keeps.
    std::uint32_t latencyFrames() const override { return latencyFrames_; }
    // How many buffers of the obtained size the backend of that name keeps between the callback and the speaker.
    static std::uint32_t buffersHeld(const char* driver);
    bool realTime() const override { return true; }

private:
    static void callback(void* self, std::uint8_t* stream, int length);
    // While SDL's audio is initialised, or just after its initialisation failed.
    void explainFailure();

    std::string* failure_ = nullptr;

    std::uint32_t id_ = 0;
    std::uint32_t latencyFrames_ = 0;
    Render render_ = nullptr;
    void* user_ = nullptr;
};

}  // namespace zaffo
