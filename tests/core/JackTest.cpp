// Playing through a real JACK server of the test's own: the ports, pitch, tempo and latency at the server's rate,
// and the fallback when the server goes away.

#include "CoreFixture.h"
#include "JackProbe.h"

#include "audio/RateConverter.h"
#include "core/MidiWriter.h"
#include "tests/support/JackServer.h"

#include <array>
#include <atomic>
#include <cmath>
#include <csignal>
#include <numbers>

namespace zaffo::testing {
namespace {

constexpr double toneHz = 1000;
constexpr int toneFrames = 4800;  // 50 ms at the engine's rate
constexpr float heard = 0.2f;
constexpr int period = 256;

// Frames where a sound begins after a silence longer than a tone's cycle.
std::vector<std::int64_t> onsets(const std::vector<float>& left) {
    std::vector<std::int64_t> found;
    std::int64_t quiet = 0;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (std::abs(left[i]) < heard) {
            ++quiet;
            continue;
        }
        if (quiet > 1000) found.push_back(static_cast<std::int64_t>(i));
        quiet = 0;
    }
    return found;
}

// The tone's frequency from its rising zero crossings in the frames that follow `onset`.
double frequency(const std::vector<float>& left, std::int64_t onset, int rate) {
    const auto end = static_cast<std::size_t>(onset + std::int64_t{toneFrames} * rate / engineSampleRate - 8);
    double first = -1, last = -1;
    int crossings = 0;
    for (auto i = static_cast<std::size_t>(onset + 8); i < end && i < left.size(); ++i) {
        if (left[i - 1] >= 0 || left[i] < 0) continue;
        const double at = static_cast<double>(i - 1) + left[i - 1] / (left[i - 1] - left[i]);
        if (first < 0) first = at;
        last = at;
        ++crossings;
    }
    return crossings > 1 ? (crossings - 1) * rate / (last - first) : 0;
}

class JackTest : public CoreTest {
protected:
    JackTest() {
        EXPECT_TRUE(test::writeSoundFile(
            pack("default") + "/tone.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, engineSampleRate, 1, toneFrames,
            [](std::int64_t frame, int) {
                return static_cast<float>(0.5 * std::cos(2 * std::numbers::pi * toneHz * frame / engineSampleRate));
            }));
    }
    ~JackTest() override {
        commands.reset();
        core.reset();
    }
    void stopCore() {
        commands.reset();
        core.reset();
    }
    // Starts the core on the server at `rate`, and has the probe note where each step begins in the server's frame
    // time, as the clock saw it on the process thread.
    void startOn(JackProbe& probe, int rate) {
        start();
        core->onStep = [this, &probe, rate](int, std::int32_t frame) {
            const std::size_t index = steps.load();
            if (index == stepsAt.size()) return;
            stepsAt[index] = probe.periodStart() - probe.start() +
                             std::llround(static_cast<double>(frame) * rate / engineSampleRate);
            steps = index + 1;
        };
        ASSERT_TRUE(core->startSound());
        ASSERT_TRUE(probe.listen("zaffo:out_l"));
        ASSERT_TRUE(probe.listenMidi("zaffo:midi_out"));
    }
    std::vector<std::int64_t> stepFrames() const { return {stepsAt.begin(), stepsAt.begin() + steps.load()}; }
    // The frames of the messages with that status.
    static std::vector<std::int64_t> framesOf(const std::vector<JackProbe::Message>& messages, std::uint8_t status) {
        std::vector<std::int64_t> frames;
        for (const JackProbe::Message& message : messages)
            if (message.bytes[0] == status) frames.push_back(message.frame);
        return frames;
    }

    std::array<std::int64_t, 256> stepsAt{};
    std::atomic<std::size_t> steps{0};
};

TEST_F(JackTest, PlaysThroughTheServerInTuneInTempoAndAsLateAsItSays) {
    for (const int rate : {96000, 48000}) {
        SCOPED_TRACE(rate);
        test::JackServer server(rate, period);
        ASSERT_TRUE(server.ready());
        JackProbe probe(static_cast<std::uint32_t>(rate * 3 / 2));
        ASSERT_TRUE(probe.ok());
        steps = 0;
        startOn(probe, rate);
        for (const char* side : {"out_l", "out_r"}) {
            EXPECT_TRUE(probe.connected(std::string("zaffo:") + side,
                                        std::string("system:playback_") + (side[4] == 'l' ? "1" : "2")));
        }
        const std::uint32_t conversion = RateConverter::delayFrames(rate, period);
        EXPECT_EQ(conversion == 0, rate == engineSampleRate);
        const std::uint32_t playback = probe.playbackLatency("system:playback_1");
        EXPECT_GT(playback, 0u);
        // The server works a new connection's latency out soon after it is made.
        const std::uint32_t expected = playback * engineSampleRate / rate + conversion;
        EXPECT_TRUE(waitUntil([&] { return core->engine().outputLatencyFrames() == expected; }))
            << core->engine().outputLatencyFrames() << " frames, not " << expected;
        ASSERT_TRUE(run("tone ########").ok);
        ASSERT_TRUE(waitUntil([&] { return probe.full(); }));
        stopCore();

        const std::vector<std::int64_t> found = onsets(probe.recorded());
        ASSERT_GE(found.size(), 4u);
        for (std::size_t i = 1; i < found.size(); ++i) EXPECT_NEAR(found[i] - found[i - 1], rate / 4, 1) << i;
        EXPECT_NEAR(frequency(probe.recorded(), found[1], rate), toneHz, 1);
        // Each onset comes out of the device as late after its step as the conversion says.
        for (const std::int64_t onset : found) {
            std::int64_t late = rate;
            for (const std::int64_t step : stepFrames())
                if (step <= onset) late = std::min(late, onset - step);
            EXPECT_NEAR(late, std::llround(static_cast<double>(conversion) * rate / engineSampleRate), 2) << onset;
        }
    }
}

// At 120 beats per minute a pulse comes every 2000 of the engine's frames. Stopping and playing again sends Stop,
// then Song Position Pointer and Start at the next step 0. Notes begin with the sound of their steps.
TEST_F(JackTest, SendsTheClockTransportAndNotesWithTheSound) {
    for (const int rate : {96000, 48000}) {
        SCOPED_TRACE(rate);
        test::JackServer server(rate, period);
        ASSERT_TRUE(server.ready());
        JackProbe probe(static_cast<std::uint32_t>(rate * 3));
        ASSERT_TRUE(probe.ok());
        steps = 0;
        startOn(probe, rate);
        ASSERT_TRUE(run("tone 0.5 ########").ok);
        ASSERT_TRUE(run("midi tone 36").ok);
        ASSERT_TRUE(run(".").ok);
        ASSERT_TRUE(waitUntil([&] { return probe.received(MidiWriter::stop); }));
        ASSERT_TRUE(run(">").ok);
        ASSERT_TRUE(waitUntil([&] { return probe.full(); }));
        stopCore();

        const std::vector<JackProbe::Message> messages = probe.messages();
        const std::vector<std::int64_t> starts = framesOf(messages, MidiWriter::start);
        ASSERT_EQ(starts.size(), 1u);
        const auto startAt = std::find_if(messages.begin(), messages.end(),
                                          [](const auto& m) { return m.bytes[0] == MidiWriter::start; });
        ASSERT_NE(startAt, messages.begin());
        const auto& position = *(startAt - 1);
        EXPECT_EQ(std::vector<int>({position.bytes[0], position.bytes[1], position.bytes[2]}),
                  std::vector<int>({MidiWriter::songPosition, 0, 0}));
        EXPECT_EQ(position.frame, starts[0]);

        std::vector<std::int64_t> pulses = framesOf(messages, MidiWriter::clockPulse);
        std::erase_if(pulses, [&](std::int64_t frame) { return frame < starts[0]; });
        ASSERT_GE(pulses.size(), 24u);
        EXPECT_EQ(pulses[0], starts[0]);
        for (std::size_t i = 1; i < pulses.size(); ++i)
            EXPECT_NEAR(pulses[i] - pulses[0], std::llround(i * 2000.0 * rate / engineSampleRate), 1) << i;

        const std::vector<std::int64_t> sounds = onsets(probe.recorded());
        std::vector<std::int64_t> noteOns, noteOffs;
        for (const JackProbe::Message& message : messages) {
            if (message.bytes[0] == 0x99) {
                EXPECT_EQ(std::pair(int{message.bytes[1]}, int{message.bytes[2]}), std::pair(36, 64));
                noteOns.push_back(message.frame);
            } else if (message.bytes[0] == 0x89) {
                noteOffs.push_back(message.frame);
            }
        }
        ASSERT_GE(noteOns.size(), 4u);
        EXPECT_TRUE(std::find(noteOns.begin(), noteOns.end(), starts[0]) != noteOns.end());
        for (std::size_t i = 0; i < noteOns.size() && i < noteOffs.size(); ++i)
            EXPECT_NEAR(noteOffs[i] - noteOns[i], MidiWriter::noteFrames * rate / engineSampleRate, 1) << i;
        for (const std::int64_t on : noteOns) {
            if (on + rate / 8 >= static_cast<std::int64_t>(probe.recorded().size())) continue;
            const auto nearest = std::min_element(sounds.begin(), sounds.end(), [on](std::int64_t a, std::int64_t b) {
                return std::abs(a - on) < std::abs(b - on);
            });
            ASSERT_NE(nearest, sounds.end());
            EXPECT_NEAR(*nearest, on, 1) << "note-on at " << on;
        }
    }
}

// Through a tempo ramp every step still gets its 12 pulses, the first on the step's frame; a muted instrument sends
// no note.
TEST_F(JackTest, FollowsATempoRampAndSendsNothingForMutedInstruments) {
    constexpr int rate = 96000;
    test::JackServer server(rate, period);
    ASSERT_TRUE(server.ready());
    JackProbe probe(rate * 3);
    ASSERT_TRUE(probe.ok());
    startOn(probe, rate);
    for (const char* line : {"tone ########", "midi tone 36", ".tone", "bpm 200 2"}) ASSERT_TRUE(run(line).ok) << line;
    ASSERT_TRUE(waitUntil([&] { return probe.full(); }));
    stopCore();

    const std::vector<JackProbe::Message> messages = probe.messages();
    EXPECT_TRUE(framesOf(messages, 0x99).empty());
    const std::vector<std::int64_t> pulses = framesOf(messages, MidiWriter::clockPulse);
    const std::vector<std::int64_t> stepsSeen = stepFrames();
    int checked = 0;
    for (std::size_t i = 1; i < stepsSeen.size(); ++i) {
        const std::int64_t from = stepsSeen[i - 1], to = stepsSeen[i];
        if (from < 0 || to >= static_cast<std::int64_t>(probe.recorded().size())) continue;
        const auto first = std::lower_bound(pulses.begin(), pulses.end(), from);
        ASSERT_NE(first, pulses.end());
        EXPECT_EQ(*first, from);
        EXPECT_EQ(std::lower_bound(pulses.begin(), pulses.end(), to) - first, 12) << "step at " << from;
        ++checked;
    }
    EXPECT_GE(checked, 8);
}

TEST_F(JackTest, FallsBackToTheSoundCardWhenTheServerGoesWhilePlaying) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        test::JackServer server(48000, period);
        ASSERT_TRUE(server.ready());
        start();
        ASSERT_TRUE(core->startSound());
        ASSERT_TRUE(run("tone ########").ok);
        server.stop(signal);
        EXPECT_TRUE(waitUntil([&] {
            const Rows lines = notices();
            return std::find(lines.begin(), lines.end(), "The JACK server has gone: playing through the sound card.") !=
                   lines.end();
        }));
        EXPECT_TRUE(core->engine().isDeviceRunning());
        const int step = core->sequencer().getCurrentStep();
        EXPECT_TRUE(waitUntil([&] { return core->sequencer().getCurrentStep() != step; })) << "the clock goes on";
        stopCore();
        noticeLines.clear();
    }
}

}  // namespace
}  // namespace zaffo::testing
