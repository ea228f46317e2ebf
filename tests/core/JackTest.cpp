// Playing through a real JACK server of the test's own: the ports, pitch, tempo and latency at the server's rate, the
// MIDI clock, transport and notes against the sound, and the fallback when the server goes away.

#include "CoreFixture.h"

#include "audio/OutputRateConverter.h"
#include "core/MidiWriter.h"
#include "tests/support/JackServer.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>
#include <cmath>
#include <csignal>
#include <numbers>

namespace zaffo::testing {
namespace {

// A JACK client that records an audio output and a MIDI output of another client, with frames counted from its own
// first period; and tells the threads of the server's periods at which frame the current one began.
class JackProbe {
public:
    struct Message {
        std::int64_t frame;
        std::uint8_t bytes[3];
    };

    explicit JackProbe(std::uint32_t frames) : recorded_(frames, 0.0f) {
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

    bool ok() const { return ok_; }
    bool listen(const std::string& audio, const std::string& midi) {
        return jack_connect(client_, audio.c_str(), jack_port_name(audio_)) == 0 &&
               jack_connect(client_, midi.c_str(), jack_port_name(midi_)) == 0;
    }
    bool connected(const std::string& from, const char* to) const {
        return jack_port_connected_to(jack_port_by_name(client_, from.c_str()), to);
    }
    std::uint32_t latency(const char* port) const {
        jack_latency_range_t range{};
        jack_port_get_latency_range(jack_port_by_name(client_, port), JackPlaybackLatency, &range);
        return range.max;
    }
    std::int64_t periodStart() const { return std::int64_t{jack_last_frame_time(client_)} - start_.load(); }
    bool full() const { return full_.load(); }
    const std::vector<float>& recorded() const { return recorded_; }
    std::vector<Message> messages() const { return {messages_.begin(), messages_.begin() + messageCount_.load()}; }

private:
    static int process(jack_nframes_t frames, void* self) { return static_cast<JackProbe*>(self)->record(frames); }
    int record(jack_nframes_t frames) {
        if (full_.load()) return 0;
        if (start_.load() < 0) start_ = jack_last_frame_time(client_);
        const std::int64_t now = periodStart();
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
    jack_client_t* client_ = nullptr;
    jack_port_t* audio_ = nullptr;
    jack_port_t* midi_ = nullptr;
    bool ok_ = false;
    std::atomic<std::int64_t> start_{-1};
    std::atomic<bool> full_{false};
    std::array<Message, 8192> messages_{};
    std::atomic<std::size_t> messageCount_{0};
};

constexpr int toneFrames = 4800;  // 1 kHz for 50 ms at the engine's rate
constexpr int period = 256;
using Frames = std::vector<std::int64_t>;

// Frames where a sound begins after a silence longer than a cycle of the tone.
Frames onsets(const std::vector<float>& left) {
    Frames found;
    for (std::size_t i = 0, quiet = 0; i < left.size(); ++i, ++quiet) {
        if (std::abs(left[i]) < 0.2f) continue;
        if (quiet > 1000) found.push_back(static_cast<std::int64_t>(i));
        quiet = 0;
    }
    return found;
}

Frames framesOf(const std::vector<JackProbe::Message>& messages, std::uint8_t status, std::int64_t from = 0) {
    Frames frames;
    for (const auto& message : messages)
        if (message.bytes[0] == status && message.frame >= from) frames.push_back(message.frame);
    return frames;
}

class JackTest : public CoreTest {
protected:
    JackTest() {
        test::writeSoundFile(pack("default") + "/tone.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, engineSampleRate, 1,
                             toneFrames, [](std::int64_t frame, int) {
                                 return static_cast<float>(0.5 * std::cos(2 * std::numbers::pi * frame / 96));
                             });
    }
    ~JackTest() override { stopCore(); }
    void stopCore() { commands.reset(), core.reset(); }
    // Starts the core on the server, noting where each step begins in the probe's frames, as the clock saw it on the
    // process thread; then has the probe listen and runs the lines.
    void play(JackProbe& probe, int rate, std::initializer_list<const char*> lines) {
        start();
        core->onStep = [this, &probe, rate](int, std::int32_t frame) {
            if (steps < stepsAt.size()) stepsAt[steps++] = probe.periodStart() + frame * rate / engineSampleRate;
        };
        ASSERT_TRUE(core->startSound());
        ASSERT_TRUE(probe.listen("zaffo:out_l", "zaffo:midi_out"));
        for (const char* line : lines) ASSERT_TRUE(run(line).ok) << line;
    }

    std::array<std::int64_t, 256> stepsAt{};
    std::atomic<std::size_t> steps{0};
};

// At 120 beats per minute a step is a quarter of a second and a clock pulse 2000 of the engine's frames. Stopping and
// playing again sends Stop, then Song Position Pointer and Start at the next step 0. A note begins with its sound.
TEST_F(JackTest, PlaysInTuneAndInTimeAtTheServersRateWithTheClockAndNotesOnTheSound) {
    for (const int rate : {96000, 48000}) {
        SCOPED_TRACE(rate);
        test::JackServer server(rate, period);
        ASSERT_TRUE(server.ready());
        JackProbe probe(static_cast<std::uint32_t>(rate * 3));
        ASSERT_TRUE(probe.ok());
        steps = 0;
        play(probe, rate, {"tone 0.5 ########", "midi tone 36", "."});
        for (const char* side : {"l", "r"})
            EXPECT_TRUE(probe.connected(std::string("zaffo:out_") + side,
                                        side[0] == 'l' ? "system:playback_1" : "system:playback_2"));
        const std::uint32_t conversion = OutputRateConverter::delayFrames(rate, period);
        EXPECT_EQ(conversion == 0, rate == engineSampleRate);
        const std::uint32_t latency =
            probe.latency("system:playback_1") * engineSampleRate / rate + conversion + AudioEngine::limiterDelayFrames;
        EXPECT_TRUE(waitUntil([&] { return core->engine().outputLatencyFrames() == latency; })) << latency;
        ASSERT_TRUE(waitUntil([&] { return !framesOf(probe.messages(), MidiWriter::stop).empty(); }));
        ASSERT_TRUE(run(">").ok);
        ASSERT_TRUE(waitUntil([&] { return probe.full(); }));
        stopCore();

        const std::vector<JackProbe::Message> messages = probe.messages();
        const Frames starts = framesOf(messages, MidiWriter::start);
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(framesOf(messages, MidiWriter::songPosition, starts[0]).front(), starts[0]);
        const Frames pulses = framesOf(messages, MidiWriter::clockPulse, starts[0]);
        const Frames sounds = onsets(probe.recorded());
        const Frames notes = framesOf(messages, 0x99, starts[0]), noteOffs = framesOf(messages, 0x89, starts[0]);
        ASSERT_TRUE(pulses.size() >= 24 && sounds.size() >= 4 && notes.size() >= 4);
        int cycles = 0;  // rising zero crossings of the tone: 50 at 1 kHz
        for (std::int64_t i = sounds[1] + 1; i < sounds[1] + toneFrames * rate / 96000 - 4; ++i)
            cycles += probe.recorded()[static_cast<std::size_t>(i) - 1] < 0 &&
                      probe.recorded()[static_cast<std::size_t>(i)] >= 0;
        EXPECT_EQ(cycles, 50);
        for (std::size_t i = 0; i < pulses.size(); ++i)
            EXPECT_NEAR(pulses[i] - starts[0], std::llround(i * 2000.0 * rate / engineSampleRate), 1) << i;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            const auto sound = std::lower_bound(sounds.begin(), sounds.end(), notes[i] - 1);
            EXPECT_TRUE(sound != sounds.end() && std::abs(*sound - notes[i]) <= 1) << notes[i];
            EXPECT_TRUE(i == 0 || std::abs(notes[i] - notes[i - 1] - rate / 4) <= 1) << i;
            EXPECT_TRUE(i >= noteOffs.size() || std::abs(noteOffs[i] - notes[i] - 4800 * rate / engineSampleRate) <= 1);
        }
        EXPECT_EQ(notes[0], starts[0]);
        for (const auto& message : messages)
            EXPECT_TRUE(message.bytes[0] != 0x99 || (message.bytes[1] == 36 && message.bytes[2] == 64)) << "velocity";
        // Each sound comes out as late after its step as the limiter's look-ahead and the conversion say.
        for (const std::int64_t sound : sounds) {
            std::int64_t late = rate;
            for (std::size_t i = 0; i < steps; ++i)
                if (stepsAt[i] <= sound) late = std::min(late, sound - stepsAt[i]);
            EXPECT_NEAR(late, (conversion + AudioEngine::limiterDelayFrames) * rate / engineSampleRate, 2) << sound;
        }
    }
}

// Through a tempo ramp every step still gets its 12 pulses, the first on the step's frame; a muted instrument sends
// no note. When the server is killed, the sound card takes over and the clock goes on.
TEST_F(JackTest, FollowsATempoRampSendsNothingForMutedInstrumentsAndFallsBackWhenTheServerDies) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    test::JackServer server(engineSampleRate, period);
    ASSERT_TRUE(server.ready());
    JackProbe probe(engineSampleRate * 3);
    ASSERT_TRUE(probe.ok());
    play(probe, engineSampleRate, {"tone ########", ".tone", "midi tone 36", "bpm 200 2"});
    ASSERT_TRUE(waitUntil([&] { return probe.full(); }));
    server.stop(SIGKILL);
    EXPECT_TRUE(
        waitUntil([&] { return notices() == Rows{"The JACK server has gone: playing through the sound card."}; }));
    const int step = core->sequencer().getCurrentStep();
    EXPECT_TRUE(waitUntil([&] { return core->sequencer().getCurrentStep() != step; })) << "the clock goes on";
    stopCore();

    const std::vector<JackProbe::Message> messages = probe.messages();
    EXPECT_TRUE(framesOf(messages, 0x99).empty());
    const Frames pulses = framesOf(messages, MidiWriter::clockPulse);
    std::size_t checked = 0;
    for (std::size_t i = 1; i < steps && stepsAt[i] < static_cast<std::int64_t>(probe.recorded().size()); ++i) {
        // The pulses go out with the sound, which the limiter's look-ahead holds back.
        const std::int64_t heard = stepsAt[i - 1] + AudioEngine::limiterDelayFrames;
        const auto first = std::lower_bound(pulses.begin(), pulses.end(), heard);
        ASSERT_NE(first, pulses.end());
        EXPECT_EQ(*first, heard);
        const std::int64_t nextHeard = stepsAt[i] + AudioEngine::limiterDelayFrames;
        EXPECT_EQ(std::lower_bound(pulses.begin(), pulses.end(), nextHeard) - first, 12) << stepsAt[i - 1];
        ++checked;
    }
    EXPECT_GE(checked, 8u);
}

}  // namespace
}  // namespace zaffo::testing
