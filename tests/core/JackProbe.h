#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zaffo::testing {

// A JACK client of the test's own that records one audio output of another client, each frame at its place in the
// server's frame time from the moment it starts, and the messages of a MIDI output with their frame times. Also tells,
// from any process thread of the server, the frame time at which the current period began.
class JackProbe {
public:
    explicit JackProbe(std::uint32_t frames) : recorded_(frames, 0.0f) {
        client_ = jack_client_open("zaffo-probe", JackNoStartServer, nullptr);
        if (!client_) return;
        in_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        midiIn_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &JackProbe::process, this);
        ok_ = in_ && midiIn_ && jack_activate(client_) == 0;
    }
    ~JackProbe() {
        if (client_) jack_client_close(client_);
    }
    JackProbe(const JackProbe&) = delete;
    JackProbe& operator=(const JackProbe&) = delete;

    bool ok() const { return ok_; }
    // Starts recording what the port named `source` plays.
    bool listen(const std::string& source) { return jack_connect(client_, source.c_str(), jack_port_name(in_)) == 0; }
    bool listenMidi(const std::string& source) {
        return jack_connect(client_, source.c_str(), jack_port_name(midiIn_)) == 0;
    }
    struct Message {
        std::int64_t frame;  // relative to start()
        std::uint8_t bytes[3];
    };
    bool received(std::uint8_t status) const {
        for (std::size_t i = 0; i < messageCount_.load(); ++i)
            if (messages_[i].bytes[0] == status) return true;
        return false;
    }
    // The messages received until the recording was full, in order.
    std::vector<Message> messages() const { return {messages_.begin(), messages_.begin() + messageCount_.load()}; }
    // Whether the port named `from` sends to the port named `to`.
    bool connected(const std::string& from, const std::string& to) const {
        jack_port_t* port = jack_port_by_name(client_, from.c_str());
        return port && jack_port_connected_to(port, to.c_str());
    }
    bool full() const { return full_.load(); }
    // The recording, once full: frame i was heard at start() + i.
    const std::vector<float>& recorded() const { return recorded_; }
    std::uint32_t start() const { return start_.load(); }
    jack_client_t* client() const { return client_; }
    // The playback latency of the port named `name`, at most.
    std::uint32_t playbackLatency(const std::string& name) const {
        jack_latency_range_t range{};
        if (jack_port_t* port = jack_port_by_name(client_, name.c_str()))
            jack_port_get_latency_range(port, JackPlaybackLatency, &range);
        return range.max;
    }
    // The frame time at which the period in progress began; for the server's process threads.
    std::uint32_t periodStart() const { return jack_last_frame_time(client_); }

private:
    static int process(jack_nframes_t frames, void* self) {
        auto* probe = static_cast<JackProbe*>(self);
        if (probe->full_.load()) return 0;
        const auto* in = static_cast<const float*>(jack_port_get_buffer(probe->in_, frames));
        const jack_nframes_t now = jack_last_frame_time(probe->client_);
        if (!probe->started_) {
            probe->started_ = true;
            probe->start_ = now;
        }
        void* midi = jack_port_get_buffer(probe->midiIn_, frames);
        for (std::uint32_t i = 0, count = jack_midi_get_event_count(midi); i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, midi, i) != 0 || probe->messageCount_ == probe->messages_.size()) continue;
            Message& message = probe->messages_[probe->messageCount_];
            message = {std::int64_t{now} - probe->start_.load() + event.time, {0, 0, 0}};
            for (std::size_t b = 0; b < event.size && b < 3; ++b) message.bytes[b] = event.buffer[b];
            probe->messageCount_ = probe->messageCount_ + 1;
        }
        for (jack_nframes_t i = 0; i < frames; ++i) {
            const std::uint32_t at = now - probe->start_.load() + i;
            if (at >= probe->recorded_.size()) {
                probe->full_ = true;
                break;
            }
            probe->recorded_[at] = in[i];
        }
        return 0;
    }

    std::vector<float> recorded_;
    jack_client_t* client_ = nullptr;
    jack_port_t* in_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    std::array<Message, 8192> messages_{};
    std::atomic<std::size_t> messageCount_{0};
    bool ok_ = false;
    bool started_ = false;
    std::atomic<std::uint32_t> start_{0};
    std::atomic<bool> full_{false};
};

}  // namespace zaffo::testing
