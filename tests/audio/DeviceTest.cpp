#include "tests/audio/AudioTestFiles.h"

#include <fstream>

namespace zaffo::test {
namespace {

// On SDL's disk driver, which calls back in real time without a sound card and writes what it gets.
TEST(AudioDevice, TheDiskDriverReceivesAndTheRecordingKeepsWhatIsMixed) {
    TempFolder dir;
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", (dir / "played.raw").c_str(), 1);
    AudioEngine engine;
    std::atomic<std::uint64_t> frames{0};
    std::atomic<int> largestPeriod{0};
    engine.onPeriod = [&](int frameCount, int) {
        frames += std::uint64_t(frameCount);
        largestPeriod = std::max(largestPeriod.load(), frameCount);
    };
    ::testing::internal::CaptureStdout();
    engine.stopDevice();
    // A second start opens the device anew, and the disk driver starts its file again: the
    // voice is queued after that, so that all of it lands in the one file.
    EXPECT_TRUE(engine.startDevice());
    EXPECT_TRUE(engine.startDevice());
    engine.stopDevice();
    engine.play(constantBuffer(4800, 0.25f, -0.5f), 1.0f, 0);  // queued while stopped
    frames = 0;
    ASSERT_TRUE(engine.startRecording(dir / "take.wav"));
    EXPECT_TRUE(engine.startDevice());
    EXPECT_TRUE(engine.isDeviceRunning());
    ASSERT_TRUE(waitUntil([&] { return frames >= 96000 && engine.voiceCount() == 0; }));  // a second of device time
    const std::uint64_t framesBefore = frames;                                            // but perhaps the last period
    engine.stopRecording();
    const std::uint64_t framesAfter = frames;
    engine.stopDevice();
    engine.stopDevice();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(engine.isDeviceRunning());
    EXPECT_LE(largestPeriod.load(), 1024);

    std::vector<float> played;
    std::ifstream in(dir / "played.raw", std::ios::binary);
    for (float sample; in.read(reinterpret_cast<char*>(&sample), sizeof sample);) played.push_back(sample);
    // SDL may write silent periods before the device is unpaused; the voice begins a period.
    const auto onset =
        std::size_t(std::find_if(played.begin(), played.end(), [](float s) { return s != 0; }) - played.begin()) / 2;
    EXPECT_EQ(onset % AudioDevice::requestedPeriodFrames, 0u);
    ASSERT_GE(played.size() / 2, onset + 6000);
    for (std::size_t f = onset; f < onset + 6000; ++f) {
        ASSERT_EQ(played[2 * f], f < onset + 4800 ? 0.25f : 0.0f) << f - onset;
        ASSERT_EQ(played[2 * f + 1], f < onset + 4800 ? -0.5f : 0.0f) << f - onset;
    }
    const auto recorded = readSoundFile(dir / "take.wav");
    EXPECT_GE(std::uint64_t(recorded.frames()) + AudioDevice::requestedPeriodFrames, framesBefore);
    EXPECT_LE(std::uint64_t(recorded.frames()), framesAfter);
    ASSERT_GE(recorded.samples.size(), 2u);
    EXPECT_EQ(recorded.samples[0], 0.25f);
    EXPECT_EQ(recorded.samples[1], -0.5f);
}

// A missing device is reported on standard output; on SDL's dummy driver, which calls back in real
// time and keeps nothing, stopping while the hook plays never deadlocks.
TEST(AudioDevice, AMissingDeviceIsReportedAndStoppingWhileTheHookPlaysNeverDeadlocks) {
    AudioEngine engine;
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(engine.startDevice());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Failed to open playback device.\n");
    EXPECT_FALSE(engine.isDeviceRunning());
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::atomic<std::uint64_t> frames{0};
    auto click = constantBuffer(64, 0.1f, 0.1f);
    engine.onPeriod = [&](int frameCount, int) {
        frames += std::uint64_t(frameCount);
        engine.play(click, 1.0f, 3, std::uint32_t(frameCount / 2));
    };
    for (int round = 0; round < 10; ++round) {
        const std::uint64_t before = frames;
        ASSERT_TRUE(engine.startDevice());
        engine.play(click, 1.0f, 0);
        engine.masterVolume = 0.5f * float(round);
        ASSERT_TRUE(waitUntil([&] { return frames > before + 2048; }));
        engine.stopDevice();
    }
}

}  // namespace
}  // namespace zaffo::test
