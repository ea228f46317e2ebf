#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace zaffo {

// Something that plays the engine's periods: it calls render with buffers of its own, on a thread of its own or
// on the caller's, and says how late what is rendered is heard. Only one thread starts and stops a device.
class AudioDevice {
public:
    using Render = void (*)(void* user, float* out, std::uint32_t frameCount);
    enum class StartResult { started, openFailed, startFailed };
    virtual ~AudioDevice() = default;
    // Starts calling render(user, out, frames) with interleaved stereo float buffers at engineSampleRate.
    virtual StartResult start(Render render, void* user) = 0;
    // Stops, and waits for a period in progress: the caller must hold no lock that render takes. Safe when stopped.
    virtual void stop() = 0;
    // Frames from the moment a period is rendered to the moment its first frame is heard, as far as the device
    // can know; 0 while stopped.
    virtual std::uint32_t latencyFrames() const = 0;
    // From render only: when the period being rendered began, on the steady clock, if the device's own clock says so
    // more truly than the time of the call (a server's period times, filtered and set right after an overrun).
    virtual std::optional<std::chrono::microseconds> periodTime() const { return std::nullopt; }
    // Whether periods must keep to real time (the engine then cuts the oldest voices of a period that runs out of its
    // time budget, as renderRealTimePeriod does), or may take as long as they need.
    virtual bool realTime() const = 0;
};

}  // namespace zaffo
