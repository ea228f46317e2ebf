#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/MidiQueue.h"
#include "audio/OutputRateConverter.h"

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
    static constexpr const char* midiPortName = "midi_out";

    // serverGone is called, on a thread of the JACK library's, when the server goes away while the device runs:
    // from then on no period comes. It must not stop the device itself. With `midi`, the device also has a MIDI
    // output "midi_out" that sends what the periods queue there, each message at the frame where the period's
    // sound at its frame comes out of the audio outputs.
    explicit JackDevice(std::function<void()> serverGone = {}, MidiQueue* midi = nullptr);
    ~JackDevice() override;

    JackDevice(const JackDevice&) = delete;
    JackDevice& operator=(const JackDevice&) = delete;

    // openFailed when no server runs or it refuses the client; startFailed when the client cannot be set up.
    StartResult start(Render render, void* user) override;
    void stop() override;
    // The latency of the ports that the left output plays into, as they tell it now (the server does not tell this
    // client's own ports again when its period changes), and the conversion's delay, in engine frames.
    std::uint32_t latencyFrames() const override;
    std::optional<std::chrono::microseconds> periodTime() const override { return periodTime_; }
    bool realTime() const override { return true; }

    // The server's rate while the device runs, else 0.
    std::uint32_t serverRate() const { return serverRate_; }

private:
    static int process(std::uint32_t frames, void* self);
    static void shutdown(void* self);
    static int periodChanged(std::uint32_t frames, void* self);
    static int connectionsChanged(void* self);
    static void renderPeriod(void* self, float* out, std::uint32_t frames);
    void sendMidi(std::uint32_t frames, std::uint64_t firstFrame);
    void readCycleStart();
    bool setUp();
    void connectToPlayback();

    std::function<void()> serverGone_;
    _jack_client* client_ = nullptr;
    _jack_port* ports_[2] = {nullptr, nullptr};
    MidiQueue* midi_ = nullptr;
    _jack_port* midiPort_ = nullptr;
    std::unique_ptr<OutputRateConverter> converter_;
    std::vector<float> interleaved_;
    Render render_ = nullptr;
    void* user_ = nullptr;
    std::uint32_t serverRate_ = 0;
    std::atomic<std::uint32_t> conversionFrames_{0};  // follows the server's period
    // What the left output is connected to, as the latest change of the server's graph left it.
    static constexpr std::size_t maxListeners = 8;
    std::array<std::atomic<_jack_port*>, maxListeners> listeners_{};
    std::atomic<std::size_t> listenerCount_{0};
    // The current period's: its first frame's number among those pulled, when it began on the steady clock.
    std::uint64_t cycleFirstFrame_ = 0;
    std::optional<std::chrono::microseconds> cycleStart_, periodTime_;
};

}  // namespace zaffo
