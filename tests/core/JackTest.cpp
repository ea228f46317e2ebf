// Playing through a real JACK server of the test's own: the ports, pitch, tempo and latency at the server's rate,
// and the fallback when the server goes away.

#include "CoreFixture.h"
#include "JackProbe.h"

#include "audio/RateConverter.h"
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
};

TEST_F(JackTest, PlaysThroughTheServerInTuneInTempoAndAsLateAsItSays) {
    for (const int rate : {96000, 48000}) {
        SCOPED_TRACE(rate);
        test::JackServer server(rate, period);
        ASSERT_TRUE(server.ready());
        JackProbe probe(static_cast<std::uint32_t>(rate * 3 / 2));
        ASSERT_TRUE(probe.ok());
        start();
        // Where each step begins in the server's frame time, as the clock saw it on the process thread.
        std::array<std::int64_t, 64> stepsAt{};
        std::atomic<std::size_t> steps{0};
        core->onStep = [&](int, std::int32_t frame) {
            const std::size_t index = steps.load();
            if (index == stepsAt.size()) return;
            stepsAt[index] = probe.periodStart() + std::llround(static_cast<double>(frame) * rate / engineSampleRate);
            steps = index + 1;
        };
        ASSERT_TRUE(core->startSound());
        for (const char* side : {"out_l", "out_r"}) {
            EXPECT_TRUE(probe.connected(std::string("zaffo:") + side,
                                        std::string("system:playback_") + (side[4] == 'l' ? "1" : "2")));
        }
        const std::uint32_t conversion = RateConverter::delayFrames(rate, period);
        EXPECT_EQ(conversion == 0, rate == engineSampleRate);
        const std::uint32_t playback = probe.playbackLatency("system:playback_1");
        EXPECT_GT(playback, 0u);
        EXPECT_EQ(core->engine().outputLatencyFrames(), playback * engineSampleRate / rate + conversion);
        ASSERT_TRUE(run("tone ########").ok);
        ASSERT_TRUE(probe.listen("zaffo:out_l"));
        ASSERT_TRUE(waitUntil([&] { return probe.full(); }));
        stopCore();

        const std::vector<std::int64_t> found = onsets(probe.recorded());
        ASSERT_GE(found.size(), 4u);
        for (std::size_t i = 1; i < found.size(); ++i) EXPECT_NEAR(found[i] - found[i - 1], rate / 4, 1) << i;
        EXPECT_NEAR(frequency(probe.recorded(), found[1], rate), toneHz, 1);
        // Each onset comes out of the device as late after its step as the conversion says.
        for (const std::int64_t onset : found) {
            const std::int64_t at = probe.start() + onset;
            std::int64_t late = rate;
            for (std::size_t i = 0; i < steps.load(); ++i)
                if (stepsAt[i] <= at) late = std::min(late, at - stepsAt[i]);
            EXPECT_NEAR(late, std::llround(static_cast<double>(conversion) * rate / engineSampleRate), 2) << onset;
        }
    }
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
