#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "Wait.h"

namespace zaffo::test {

// A JACK client that records an audio output and a MIDI output of another client, with frames counted from its own
// first period, and when each of its periods began on JACK's clock; and tells the threads of the server's periods at
// which frame the current one began.
class JackProbe {
public:
    struct Message {
        std::int64_t frame;
        std::uint8_t bytes[3];
    };

    explicit JackProbe(std::uint32_t frames) : recorded_(frames, 0.0f), periods_(frames / 16 + 1) {
        client_ = jack_client_open("zaffo-probe", JackNoStartServer, nullptr);
        if (!client_) return;
        audio_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        midi_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &JackProbe::process, this);
        ok_ = audio_ && midi_ && jack_activate(client_) == 0;
    }
    ~JackProbe() {
        if (client_) jack_client_close(client_);
    }
    JackProbe(const JackProbe&) = delete;
    JackProbe& operator=(const JackProbe&) = delete;

    bool ok() const { return ok_; }
    // Connects the outputs to the probe and returns once the server's periods carry them: a connection takes effect
    // from a later period, and what is sent before that is lost.
    bool listen(const std::string& audio, const std::string& midi) {
        if (jack_connect(client_, audio.c_str(), jack_port_name(audio_)) != 0 ||
            jack_connect(client_, midi.c_str(), jack_port_name(midi_)) != 0)
            return false;
        const std::uint64_t connectedAt = cycles_.load();
        return waitUntil([&] { return cycles_.load() >= connectedAt + 2; });
    }
    bool connected(const std::string& from, const char* to) const {
        return jack_port_connected_to(jack_port_by_name(client_, from.c_str()), to);
    }
    std::uint32_t latency(const char* port) const {
        jack_latency_range_t range{};
        jack_port_get_latency_range(jack_port_by_name(client_, port), JackPlaybackLatency, &range);
        return range.max;
    }
    bool setPeriod(std::uint32_t frames) { return jack_set_buffer_size(client_, frames) == 0; }
    std::int64_t periodStart() const { return std::int64_t{jack_last_frame_time(client_)} - start_.load(); }
    bool full() const { return full_.load(); }
    const std::vector<float>& recorded() const { return recorded_; }
    std::vector<Message> messages() const { return {messages_.begin(), messages_.begin() + messageCount_.load()}; }
    // Frames where a sound begins after a silence longer than 1000 frames.
    std::vector<std::int64_t> onsets() const {
        std::vector<std::int64_t> found;
        for (std::size_t i = 0, quiet = 0; i < recorded_.size(); ++i, ++quiet) {
            if (std::abs(recorded_[i]) < 0.2f) continue;
            if (quiet > 1000) found.push_back(static_cast<std::int64_t>(i));
            quiet = 0;
        }
        return found;
    }
    // When a recorded frame passed the probe, in microseconds on JACK's clock.
    double microsAt(std::int64_t frame) const {
        const auto end = periods_.begin() + static_cast<std::ptrdiff_t>(periodCount_.load());
        const auto after = std::upper_bound(periods_.begin(), end, frame,
                                            [](std::int64_t f, const Period& period) { return f < period.frame; });
        const Period& period = after == periods_.begin() ? *after : *(after - 1);
        return static_cast<double>(period.micros) +
               static_cast<double>(frame - period.frame) * 1e6 / jack_get_sample_rate(client_);
    }

private:
    struct Period {
        std::int64_t frame;
        jack_time_t micros;
    };

    static int process(jack_nframes_t frames, void* self) { return static_cast<JackProbe*>(self)->record(frames); }
    int record(jack_nframes_t frames) {
        ++cycles_;
        if (full_.load()) return 0;
        if (start_.load() < 0) start_ = jack_last_frame_time(client_);
        const std::int64_t now = periodStart();
        jack_nframes_t cycleFrame = 0;
        jack_time_t cycleStart = 0, nextStart = 0;
        float periodMicros = 0;
        if (periodCount_ < periods_.size() &&
            jack_get_cycle_times(client_, &cycleFrame, &cycleStart, &nextStart, &periodMicros) == 0)
            periods_[periodCount_++] = {now, cycleStart};
        void* midi = jack_port_get_buffer(midi_, frames);
        jack_midi_event_t event;
        for (std::uint32_t i = 0; jack_midi_event_get(&event, midi, i) == 0 && messageCount_ < messages_.size(); ++i) {
            messages_[messageCount_] = {now + event.time, {event.buffer[0], 0, 0}};
            for (std::size_t b = 1; b < event.size && b < 3; ++b) messages_[messageCount_].bytes[b] = event.buffer[b];
            ++messageCount_;
        }
        const auto* in = static_cast<const float*>(jack_port_get_buffer(audio_, frames));
        for (jack_nframes_t i = 0; i < frames && !full_; ++i) {
            full_ = now + i >= static_cast<std::int64_t>(recorded_.size());
            if (!full_) recorded_[now + i] = in[i];
        }
        return 0;
    }

    std::vector<float> recorded_;
    std::vector<Period> periods_;
    std::atomic<std::size_t> periodCount_{0};
    jack_client_t* client_ = nullptr;
    jack_port_t* audio_ = nullptr;
    jack_port_t* midi_ = nullptr;
    bool ok_ = false;
    std::atomic<std::int64_t> start_{-1};
    std::atomic<bool> full_{false};
    std::atomic<std::uint64_t> cycles_{0};
    std::array<Message, 8192> messages_{};
    std::atomic<std::size_t> messageCount_{0};
};

}  // namespace zaffo::test
