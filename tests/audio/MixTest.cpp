#include "audio/AudioEngine.h"

#include <gtest/gtest.h>

#include "AudioTestFiles.h"
#include "audio/VoicePool.h"

namespace zaffo {
namespace {

using test::constantBuffer;
using test::render;

// Frames rendered, in whole periods, until the last voice is gone.
std::uint64_t framesUntilSilent(AudioEngine& engine, std::uint32_t period) {
    std::vector<float> out(std::size_t{period} * 2);
    std::uint64_t frames = 0;
    for (; engine.voiceCount() > 0 && frames < 10'000'000; frames += period)
        engine.renderPeriod(out.data(), period);
    return frames;
}

TEST(AudioPitch, RatioFollowsTheWholeNumberedOutputRateWithinTheConvertersLimits) {
    const std::pair<int, double> cases[] = {
        {0, 1.0},         {1, 90611.0 / 96000}, {5, 71918.0 / 96000}, {12, 0.5},
        {24, 0.25},       {-12, 2.0},           {200, 1.0 / 256},     {-200, 256.0},
        {INT32_MAX, 1.0 / 256}, {INT32_MIN, 256.0},
    };
    for (auto [pitch, ratio] : cases)
        EXPECT_DOUBLE_EQ(pitchRatio(pitch), ratio) << "pitch " << pitch;
}

TEST(AudioMix, VoicesSumUnclippedAtVolumeTimesMasterVolume) {
    AudioEngine engine;
    engine.masterVolume = 0.5f;
    engine.play(constantBuffer(1000, 0.5f, -0.25f), 0.8f, 0);
    engine.play(constantBuffer(500, 3.0f, 3.0f), 1.0f, 0);

    const auto out = render(engine, 2048);

    EXPECT_FLOAT_EQ(out[2 * 499], 1.7f);
    EXPECT_FLOAT_EQ(out[2 * 499 + 1], 1.4f);
    EXPECT_FLOAT_EQ(out[2 * 999], 0.2f);
    EXPECT_FLOAT_EQ(out[2 * 999 + 1], -0.1f);
    EXPECT_EQ(out[2 * 1000], 0.0f);
    EXPECT_EQ(engine.voiceCount(), 0u);
}

TEST(AudioMix, PitchChangesHowLongAVoiceLastsButNotItsLevel) {
    const std::pair<int, double> cases[] = {{0, 96000}, {12, 48000}, {-12, 192000}, {7, 64072}, {200, 375}};
    for (auto [pitch, frames] : cases) {
        AudioEngine engine;
        engine.play(constantBuffer(96000, 0.5f, -0.5f), 0.5f, pitch);
        const auto out = render(engine, 256);
        EXPECT_NEAR(out[2 * 255], 0.25f, 1e-5) << "pitch " << pitch;
        EXPECT_NEAR(out[2 * 255 + 1], -0.25f, 1e-5) << "pitch " << pitch;
        EXPECT_NEAR(double(256 + framesUntilSilent(engine, 256)), frames, 256) << "pitch " << pitch;
    }
}

TEST(AudioMix, TwoHalfVoicesSumToOneFullVoice) {
    auto buffer = test::sineBuffer(20000, 440, 0.9f);
    AudioEngine two, one;
    two.play(buffer, 0.5f, 5);
    two.play(buffer, 0.5f, 5);
    one.play(buffer, 1.0f, 5);

    const auto summed = render(two, 20000, 333), single = render(one, 20000, 333);

    for (std::size_t i = 0; i < single.size(); ++i)
        ASSERT_NEAR(summed[i], single[i], 1e-6) << i;
}

TEST(AudioMix, MasterVolumeZeroSilencesWithoutStoppingVoices) {
    AudioEngine engine;
    engine.play(constantBuffer(10000, 0.5f, 0.5f), 1.0f, 0);
    EXPECT_EQ(render(engine, 1000, 1000)[0], 0.5f);

    engine.masterVolume = 0.0f;
    for (int period = 1; period < 10; ++period) {
        for (float sample : render(engine, 1000, 1000))
            ASSERT_EQ(sample, 0.0f);
        ASSERT_EQ(engine.voiceCount(), period < 9 ? 1u : 0u) << "period " << period;
    }
}

TEST(AudioMix, VoiceIsRemovedInThePeriodThatUsesItsLastFrame) {
    for (int pitch : {0, 3}) {
        AudioEngine engine;
        engine.play(constantBuffer(1000, 0.5f, 0.5f), 1.0f, pitch);
        const double expected = 1000 * pitchRatio(pitch);
        const auto frames = double(framesUntilSilent(engine, 100));
        EXPECT_GE(frames, expected - 2) << "pitch " << pitch;
        EXPECT_LT(frames, expected + 100) << "pitch " << pitch;
    }
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
    engine.onPeriod = [&](int frames, int rate) {
        EXPECT_EQ(rate, 96000);
        periods.push_back(frames);
    };

    const auto out = render(engine, 20000, 20000);

    EXPECT_EQ(periods, (std::vector<int>{8192, 8192, 3616}));
    for (int f = 16; f < 15000; ++f)
        ASSERT_NEAR(out[2 * f], 0.25f, 1e-5) << f;
}

TEST(AudioVoices, VoiceWhoseConverterFailsIsDroppedAndItsSlotReused) {
    VoicePool pool(1);
    std::vector<float> out(256 * 2, 0.0f), scratch(256 * 2);
    ASSERT_TRUE(pool.start(constantBuffer(1000, 1.0f, 1.0f), 1.0f, 1000.0, 0));  // a ratio it refuses

    pool.mixInto(out.data(), 256, 1.0f, scratch.data());
    EXPECT_EQ(pool.sounding(), 0u);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0.0f), 512);

    ASSERT_TRUE(pool.start(constantBuffer(1000, 1.0f, 1.0f), 1.0f, 0.5, 0));
    pool.mixInto(out.data(), 256, 1.0f, scratch.data());
    EXPECT_EQ(pool.sounding(), 1u);
    EXPECT_NEAR(out[2 * 100], 1.0f, 1e-6);
}

TEST(AudioVoices, FullPoolCutsOffTheOldestVoice) {
    VoicePool pool(2);
    std::vector<float> out(16 * 2, 0.0f), scratch(16 * 2);
    for (float level : {1.0f, 2.0f, 4.0f})
        pool.start(constantBuffer(100, level, level), 1.0f, 1.0, 0);

    pool.mixInto(out.data(), 16, 1.0f, scratch.data());

    EXPECT_EQ(pool.sounding(), 2u);
    EXPECT_EQ(out[0], 6.0f);
}

}  // namespace
}  // namespace zaffo
