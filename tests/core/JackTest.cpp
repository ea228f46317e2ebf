// Playing through a real JACK server of the test's own: the ports, pitch, tempo and latency at the server's rate, the
// MIDI clock, transport and notes against the sound, and the fallback when the server goes away.

#include "CoreFixture.h"

#include "audio/OutputRateConverter.h"
#include "core/MidiWriter.h"
#include "tests/support/JackProbe.h"
#include "tests/support/JackServer.h"

#include <array>
#include <atomic>
#include <cmath>
#include <csignal>
#include <numbers>

namespace zaffo::testing {
namespace {

using test::JackProbe;

constexpr int toneFrames = 4800;  // 1 kHz for 50 ms at the engine's rate
constexpr int period = 256;
using Frames = std::vector<std::int64_t>;

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
        EXPECT_TRUE(probe.connected("zaffo:out_l", "system:playback_1") &&
                    probe.connected("zaffo:out_r", "system:playback_2"));
        const std::uint32_t conversion = OutputRateConverter::delayFrames(rate, period);
        EXPECT_EQ(conversion == 0, rate == engineSampleRate);
        const auto latency = [&](std::uint32_t conversion) {
            return probe.latency("system:playback_1") * engineSampleRate / rate + conversion +
                   AudioEngine::limiterDelayFrames;
        };
        EXPECT_TRUE(waitUntil([&] { return core->engine().outputLatencyFrames() == latency(conversion); }));
        ASSERT_TRUE(waitUntil([&] { return !framesOf(probe.messages(), MidiWriter::stop).empty(); }));
        ASSERT_TRUE(run(">").ok);
        ASSERT_TRUE(waitUntil([&] { return probe.full(); }));
        // The latency follows the server's period when it changes.
        ASSERT_TRUE(probe.setPeriod(4 * period));
        EXPECT_TRUE(waitUntil([&] {
            return core->engine().outputLatencyFrames() == latency(OutputRateConverter::delayFrames(rate, 4 * period));
        })) << core->engine().outputLatencyFrames();
        stopCore();

        const std::vector<JackProbe::Message> messages = probe.messages();
        const Frames starts = framesOf(messages, MidiWriter::start);
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(framesOf(messages, MidiWriter::songPosition, starts[0]).front(), starts[0]);
        const Frames pulses = framesOf(messages, MidiWriter::clockPulse, starts[0]);
        const Frames sounds = probe.onsets();
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
