#include "audio/AudioEngine.h"
#include "audio/VoicePool.h"

#include <gtest/gtest.h>

#include <limits>

#include "AudioTestFiles.h"

namespace zaffo {
namespace {

using test::constantBuffer;
using test::render;

TEST(AudioPitch, RatioFollowsTheWholeNumberedOutputRate) {
    constexpr double maxRate = 4294967295.0;
    const std::pair<int, double> cases[] = {
        {0, 1.0},
        {1, 90611.0 / 96000},
        {5, 71918.0 / 96000},
        {12, 0.5},
        {24, 0.25},
        {-12, 2.0},
        {200, 1.0 / 96000},
        {-200, maxRate / 96000},
        {INT32_MAX, 1.0 / 96000},
        {INT32_MIN, maxRate / 96000},
    };
    for (auto [pitch, ratio] : cases) EXPECT_DOUBLE_EQ(pitchRatio(pitch), ratio) << "pitch " << pitch;
}

// Renders in periods of 100 frames until the last voice is gone.
std::vector<float> renderUntilSilent(AudioEngine& engine) {
    std::vector<float> out;
    while (engine.voiceCount() > 0 && out.size() < 2 * 400000) {
        out.resize(out.size() + 200);
        engine.renderPeriod(out.data() + out.size() - 200, 100);
    }
    return out;
}

// Zero crossings of the left channel, as a frequency over the frames that sound.
double frequencyOf(const std::vector<float>& out, std::size_t frames) {
    int crossings = 0;
    for (std::size_t f = 1; f < frames; ++f) crossings += (out[2 * f - 2] < 0) != (out[2 * f] < 0);
    return crossings / 2.0 * engineSampleRate / double(frames);
}

// A voice lasts its length divided by its ratio, and is gone in the period that plays its last frame.
TEST(AudioMix, PitchSetsLengthAndFrequencyButNotLevel) {
    const struct {
        int pitch;
        std::size_t frames;
        double frequency;  // of a 600 Hz sine
    } cases[] = {{0, 96000, 600},
                 {12, 48000, 1200},
                 {-12, 192000, 300},
                 {7, 64072, 600 * 96000.0 / 64072},
                 {-5, 128144, 600 * 96000.0 / 128144},
                 {200, 1, 0}};
    for (const auto& c : cases) {
        AudioEngine level, tone;
        level.play(constantBuffer(96000, 0.5f, -0.5f), 0.5f, c.pitch);
        tone.play(test::sineBuffer(96000, 600, 0.5f), 1.0f, c.pitch);
        const auto constant = renderUntilSilent(level), sine = render(tone, 200000);

        std::size_t sounding = 0;
        for (std::size_t f = 0; f < constant.size() / 2; ++f) {
            if (constant[2 * f] == 0.0f) continue;
            ++sounding;
            ASSERT_NEAR(constant[2 * f], 0.25f, 1e-6) << "pitch " << c.pitch << ", frame " << f;
            ASSERT_NEAR(constant[2 * f + 1], -0.25f, 1e-6) << "pitch " << c.pitch << ", frame " << f;
        }
        EXPECT_NEAR(double(sounding), double(c.frames), 1) << "pitch " << c.pitch;
        EXPECT_LT(constant.size() / 2, c.frames + 100) << "pitch " << c.pitch;
        EXPECT_NEAR(frequencyOf(sine, c.frames), c.frequency, c.frequency * 0.005) << "pitch " << c.pitch;
    }
}

TEST(AudioMix, InterpolatesOnTheLineBetweenFrames) {
    std::vector<float> ramp(2 * 4);
    for (int f = 0; f < 4; ++f) ramp[2 * f] = ramp[2 * f + 1] = float(f);
    AudioEngine engine;
    engine.play(std::make_shared<AudioBuffer>(ramp), 1.0f, -12);  // half steps
    const auto out = render(engine, 10);
    const float expected[] = {0, 0.5f, 1, 1.5f, 2, 2.5f, 3, 3, 0, 0};
    for (int f = 0; f < 10; ++f) EXPECT_FLOAT_EQ(out[2 * f], expected[f]) << f;
}

TEST(AudioMix, VoicesSumUnclippedAtVolumeTimesMasterVolume) {
    AudioEngine engine;
    engine.masterVolume = 0.5f;
    engine.play(constantBuffer(1000, 0.5f, -0.25f), 0.8f, 0);
    engine.play(constantBuffer(500, 3.0f, 3.0f), 1.0f, 0);
    const auto out = render(engine, 2048);
    const std::pair<int, float> expected[] = {
        {2 * 499, 1.7f}, {2 * 499 + 1, 1.4f}, {2 * 999, 0.2f}, {2 * 999 + 1, -0.1f}, {2 * 1000, 0.0f}};
    for (auto [at, sample] : expected) EXPECT_FLOAT_EQ(out[at], sample) << at;
    EXPECT_EQ(engine.voiceCount(), 0u);
}

TEST(AudioMix, MasterVolumeZeroSilencesWhileTheVoicesRunOn) {
    AudioEngine engine;
    engine.play(constantBuffer(10000, 0.5f, 0.5f), 1.0f, 0);
    engine.masterVolume = 0.0f;
    const auto out = render(engine, 9000);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0.0f), 18000);
    EXPECT_EQ(engine.voiceCount(), 1u);
    render(engine, 1000);
    EXPECT_EQ(engine.voiceCount(), 0u);
}

TEST(AudioMix, PreviewStartsWithTheNextPeriodAndLateStartFramesWaitForTheirs) {
    AudioEngine engine;
    render(engine, 512);
    engine.play(constantBuffer(1, 1.0f, 1.0f), 1.0f, 0);
    engine.play(constantBuffer(1, 2.0f, 2.0f), 1.0f, 0, 700);
    const auto out = render(engine, 1024);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[2 * 700], 2.0f);
    EXPECT_EQ(std::count_if(out.begin(), out.end(), [](float s) { return s != 0.0f; }), 4);
}

TEST(AudioMix, PeriodsLongerThanTheScratchBufferAreMixedInPieces) {
    AudioEngine engine;
    engine.play(constantBuffer(20000, 0.25f, 0.25f), 1.0f, 2);
    std::vector<int> periods;
    engine.onPeriod = [&](int frames, int rate) { periods.push_back(rate == 96000 ? frames : -1); };
    const auto out = render(engine, 20000, 20000);
    EXPECT_EQ(periods, (std::vector<int>{8192, 8192, 3616}));
    for (int f = 16; f < 15000; ++f) ASSERT_NEAR(out[2 * f], 0.25f, 1e-5) << f;
}

TEST(AudioMix, NonFiniteSamplesBecomeSilenceWhileTheVolumeStaysAsSet) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float masterVolume, level, expected;
    } cases[] = {{3.4e38f, 2.0f, 0.0f}, {-3.4e38f, 2.0f, 0.0f}, {1.0f, nan, 0.0f}, {3.4e38f, 0.5f, 1.7e38f}};
    for (const auto& c : cases) {
        AudioEngine engine;
        engine.masterVolume = c.masterVolume;
        engine.play(constantBuffer(100, c.level, c.level), 1.0f, 0);
        EXPECT_EQ(render(engine, 100)[0], c.expected) << c.masterVolume << " x " << c.level;
        EXPECT_EQ(engine.masterVolume.load(), c.masterVolume);
    }
}

const auto never = VoicePool::Clock::time_point::max();

TEST(AudioVoices, LatePeriodCutsTheOldestVoicesAndKeepsTheNewest) {
    VoicePool pool(100);
    std::vector<float> out(16 * 2, 0.0f);
    for (int v = 0; v < 100; ++v) pool.start(constantBuffer(1000, float(v), 0.0f), 1.0f, 1.0, 0);
    pool.mixInto(out.data(), 16, 1.0f, VoicePool::Clock::time_point::min());

    const std::size_t kept = VoicePool::voicesPerClockCheck;
    ASSERT_EQ(pool.sounding(), kept);
    EXPECT_EQ(pool.cutByDeadline(), 100 - kept);
    float newest = 0;
    for (std::size_t v = 100 - kept; v < 100; ++v) newest += float(v);
    EXPECT_EQ(out[0], newest);
    pool.mixInto(out.data(), 16, 1.0f, never);
    EXPECT_EQ(pool.sounding(), kept) << "a period on time cuts nothing";
}

// Also a voice cut off by a full pool, which keeps the newest voices.
TEST(AudioVoices, BuffersOfRetiredVoicesAreLetGoOfOnlyByTheReleasingThread) {
    for (bool cutOff : {false, true}) {
        VoicePool pool(2);
        std::vector<float> out(64 * 2);
        auto buffer = constantBuffer(10, 1.0f, 1.0f);
        std::weak_ptr<AudioBuffer> watched = buffer;
        pool.start(std::move(buffer), 1.0f, 1.0, 0);
        if (cutOff)
            for (float level : {2.0f, 4.0f}) pool.start(constantBuffer(100, level, level), 1.0f, 1.0, 0);
        pool.mixInto(out.data(), 64, 1.0f, never);

        EXPECT_EQ(out[0], cutOff ? 6.0f : 1.0f);
        EXPECT_EQ(pool.sounding(), cutOff ? 2u : 0u);
        EXPECT_FALSE(watched.expired()) << cutOff;
        EXPECT_GE(pool.releaseQueue().releaseAll(), 1u);
        EXPECT_TRUE(watched.expired()) << cutOff;
    }
}

}  // namespace
}  // namespace zaffo
