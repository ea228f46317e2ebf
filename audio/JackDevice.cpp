#include "audio/JackDevice.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <cmath>

#include "audio/AudioBuffer.h"

namespace zaffo {
namespace {

// The library writes its complaints (no server, for a start) to standard error, under the terminal interface.
void quiet(const char*) {}

}  // namespace

JackDevice::JackDevice(std::function<void()> serverGone, MidiQueue* midi)
    : serverGone_(std::move(serverGone)), midi_(midi) {}

JackDevice::~JackDevice() { stop(); }

JackDevice::StartResult JackDevice::start(Render render, void* user) {
    stop();
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    jack_status_t status{};
    client_ = jack_client_open(clientName, JackNoStartServer, &status);
    if (!client_) return StartResult::openFailed;
    render_ = render;
    user_ = user;
    if (!setUp() || jack_activate(client_) != 0) {
        stop();
        return StartResult::startFailed;
    }
    if (midi_) midi_->open();
    connectToPlayback();
    connectionsChanged(this);
    return StartResult::started;
}

bool JackDevice::setUp() {
    serverRate_ = jack_get_sample_rate(client_);
    if (!OutputRateConverter::valid(serverRate_)) return false;
    conversionFrames_ = OutputRateConverter::delayFrames(serverRate_, jack_get_buffer_size(client_));
    converter_ = std::make_unique<OutputRateConverter>(serverRate_);
    if (!converter_->ready()) return false;
    interleaved_.assign(std::size_t{OutputRateConverter::maxPullFrames} * AudioBuffer::channels, 0.0f);
    const char* names[] = {leftPortName, rightPortName};
    for (int side = 0; side < 2; ++side) {
        ports_[side] = jack_port_register(client_, names[side], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (!ports_[side]) return false;
    }
    if (midi_) {
        midiPort_ = jack_port_register(client_, midiPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        if (!midiPort_) return false;
    }
    return jack_set_process_callback(client_, &JackDevice::process, this) == 0 &&
           jack_set_buffer_size_callback(client_, &JackDevice::periodChanged, this) == 0 &&
           jack_set_graph_order_callback(client_, &JackDevice::connectionsChanged, this) == 0 &&
           (jack_on_shutdown(client_, &JackDevice::shutdown, this), true);
}

void JackDevice::connectToPlayback() {
    const char** playback =
        jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
    if (!playback) return;
    // A mono output gets both sides.
    for (int side = 0; side < 2; ++side) {
        const char* target = playback[side] && side == 1 ? playback[1] : playback[0];
        if (target) jack_connect(client_, jack_port_name(ports_[side]), target);
    }
    jack_free(playback);
}

std::uint32_t JackDevice::latencyFrames() const {
    if (!client_) return 0;
    // Reading a port's latency asks the server nothing: it lies in memory shared with it.
    jack_nframes_t playback = 0;
    for (std::size_t i = 0; i < std::min(listenerCount_.load(), maxListeners); ++i) {
        jack_latency_range_t range{};
        jack_port_get_latency_range(listeners_[i].load(), JackPlaybackLatency, &range);
        playback = std::max(playback, range.max);
    }
    return static_cast<std::uint32_t>(std::llround(static_cast<double>(playback) * engineSampleRate / serverRate_)) +
           conversionFrames_;
}

// Called by the server, on a thread that is not the process thread, whenever connections change.
int JackDevice::connectionsChanged(void* self) {
    auto* device = static_cast<JackDevice*>(self);
    const char** names = jack_port_get_connections(device->ports_[0]);
    std::size_t count = 0;
    for (; names && names[count] && count < maxListeners; ++count)
        device->listeners_[count] = jack_port_by_name(device->client_, names[count]);
    device->listenerCount_ = count;
    if (names) jack_free(names);
    return 0;
}

void JackDevice::stop() {
    if (!client_) return;
    jack_deactivate(client_);
    if (midi_) midi_->close();
    jack_client_close(client_);
    client_ = nullptr;
    ports_[0] = ports_[1] = midiPort_ = nullptr;
    serverRate_ = 0;
}

int JackDevice::process(std::uint32_t frames, void* self) {
    auto* device = static_cast<JackDevice*>(self);
    auto* left = static_cast<float*>(jack_port_get_buffer(device->ports_[0], frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(device->ports_[1], frames));
    const std::uint64_t firstFrame = device->converter_->pulled();
    device->cycleFirstFrame_ = firstFrame;
    device->readCycleStart();
    for (std::uint32_t done = 0; done < frames;) {
        const std::uint32_t piece = std::min(frames - done, OutputRateConverter::maxPullFrames);
        device->converter_->pull(device->interleaved_.data(), piece, &JackDevice::renderPeriod, device);
        for (std::uint32_t i = 0; i < piece; ++i) {
            left[done + i] = device->interleaved_[2 * i];
            right[done + i] = device->interleaved_[2 * i + 1];
        }
        done += piece;
    }
    if (device->midiPort_) device->sendMidi(frames, firstFrame);
    return 0;
}

void JackDevice::readCycleStart() {
    jack_nframes_t frame = 0;
    jack_time_t start = 0, next = 0;
    float periodMicros = 0;
    if (jack_get_cycle_times(client_, &frame, &start, &next, &periodMicros) != 0) {
        cycleStart_.reset();
        return;
    }
    // JACK's clock need not be the steady clock: their difference now carries the time over.
    using namespace std::chrono;
    const auto steadyLessJack = duration_cast<microseconds>(steady_clock::now().time_since_epoch()) -
                                microseconds(static_cast<std::int64_t>(jack_get_time()));
    cycleStart_ = microseconds(static_cast<std::int64_t>(start)) + steadyLessJack;
}

void JackDevice::renderPeriod(void* self, float* out, std::uint32_t frames) {
    auto* device = static_cast<JackDevice*>(self);
    device->periodTime_.reset();
    if (device->cycleStart_) {
        const double into = static_cast<double>(device->converter_->pulled() - device->cycleFirstFrame_);
        device->periodTime_ =
            *device->cycleStart_ + std::chrono::microseconds(std::llround(into * 1e6 / device->serverRate_));
    }
    if (device->midi_) device->midi_->setPeriodStart(device->converter_->rendered());
    device->render_(device->user_, out, frames);
}

// Sends the messages whose frames come out in this period, at their places in it; the rest wait for a later one.
void JackDevice::sendMidi(std::uint32_t frames, std::uint64_t firstFrame) {
    void* buffer = jack_port_get_buffer(midiPort_, frames);
    jack_midi_clear_buffer(buffer);
    std::int64_t last = 0;
    while (const MidiMessage* message = midi_->front()) {
        const std::int64_t at = std::llround(static_cast<double>(message->frame) * converter_->ratio()) -
                                static_cast<std::int64_t>(firstFrame);
        if (at >= frames) break;
        last = std::max(last, at);  // one that comes too late goes out at once, in its order
        jack_midi_event_write(buffer, static_cast<std::uint32_t>(last), message->bytes.data(), message->size);
        midi_->pop();
    }
}

// The conversion holds back more or less with the length of the server's period; the server calls this between
// periods, where a client may take its time.
int JackDevice::periodChanged(std::uint32_t frames, void* self) {
    auto* device = static_cast<JackDevice*>(self);
    device->conversionFrames_ = OutputRateConverter::delayFrames(device->serverRate_, frames);
    return 0;
}

void JackDevice::shutdown(void* self) {
    auto* device = static_cast<JackDevice*>(self);
    if (device->serverGone_) device->serverGone_();
}

}  // namespace zaffo
