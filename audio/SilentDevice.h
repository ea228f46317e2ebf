#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/AudioDevice.h"

namespace zaffo {

// Keeps the engine's time when no sound card opens: a thread of its own renders a period whenever one is due by
// the steady clock, and the output goes nowhere. The clock, the hooks and the recorder go on as with a card.
class SilentDevice : public AudioDevice {
public:
    static constexpr std::uint32_t periodFrames = 1024;
    // Further behind than this (the machine was suspended, the thread starved), the schedule starts again from
    // now: the missed time is let go rather than rendered in a burst.
    static constexpr std::uint32_t maxPeriodsBehind = 4;

    SilentDevice() = default;
    ~SilentDevice() override;

    SilentDevice(const SilentDevice&) = delete;
    SilentDevice& operator=(const SilentDevice&) = delete;

    // Stops the device first if it runs. The first period is rendered at once.
    StartResult start(Render render, void* user) override;
    void stop() override;
    std::uint32_t latencyFrames() const override { return 0; }
    bool realTime() const override { return true; }

private:
    void run();

    Render render_ = nullptr;
    void* user_ = nullptr;
    std::vector<float> buffer_;
    std::mutex mutex_;  // stopping_
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace zaffo
