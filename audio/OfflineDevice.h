#pragma once

#include "audio/AudioDevice.h"

namespace zaffo {

// The device of offline rendering: no thread and no clock, a period is rendered when the caller pulls one, and
// takes as long as its voices need. start, stop and pull are called from one thread.
class OfflineDevice : public AudioDevice {
public:
    StartResult start(Render render, void* user) override;
    void stop() override;
    std::uint32_t latencyFrames() const override { return 0; }
    bool realTime() const override { return false; }

    // Renders one period of frameCount interleaved stereo frames into out; silence while stopped.
    void pull(float* out, std::uint32_t frameCount);

private:
    Render render_ = nullptr;
    void* user_ = nullptr;
};

}  // namespace zaffo
