#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/RateConverter.h"

struct _jack_client;
struct _jack_port;

namespace zaffo {

// Plays through a JACK server that already runs (it never starts one): a client "zaffo" with the outputs
// "out_l" and "out_r", connected to the server's playback ports when it has some. render runs on the server's
// process thread with the server's period; at a server rate other than engineSampleRate the engine's periods are
// converted to it.
class JackDevice : public AudioDevice {
public:
    static constexpr const char* clientName = "zaffo";
    static constexpr const char* leftPortName = "out_l";
    static constexpr const char* rightPortName = "out_r";
    // How long start waits for the server to tell the latency of the playback ports it connected to.
    static constexpr std::chrono::milliseconds latencyWait{500};

    // serverGone is called, on a thread of the JACK library's, when the server goes away while the device runs:
    // from then on no period comes. It must not stop the device itself.
    explicit JackDevice(std::function<void()> serverGone = {});
    ~JackDevice() override;

    JackDevice(const JackDevice&) = delete;
    JackDevice& operator=(const JackDevice&) = delete;

    // openFailed when no server runs or it refuses the client; startFailed when the client cannot be set up.
    StartResult start(Render render, void* user) override;
    void stop() override;
    // The playback ports' latency and the conversion's delay, in engine frames.
    std::uint32_t latencyFrames() const override { return latencyFrames_; }
    bool realTime() const override { return true; }

    // The server's rate while the device runs, else 0.
    std::uint32_t serverRate() const { return serverRate_; }

private:
    static int process(std::uint32_t frames, void* self);
    static void shutdown(void* self);
    bool setUp();
    void connectToPlayback();
    std::uint32_t playbackLatency() const;

    std::function<void()> serverGone_;
    _jack_client* client_ = nullptr;
    _jack_port* ports_[2] = {nullptr, nullptr};
    std::unique_ptr<RateConverter> converter_;
    std::vector<float> interleaved_;
    Render render_ = nullptr;
    void* user_ = nullptr;
    std::uint32_t serverRate_ = 0;
    std::uint32_t latencyFrames_ = 0;
};

}  // namespace zaffo
