#include "audio/MixDeadline.h"
#include "audio/VoicePool.h"
#include "tests/audio/AudioTestFiles.h"

namespace zaffo::test {
namespace {

// The output rate is whole-numbered: a second of sound (96000 frames) plays for `rate` frames, is gone after the
// period of 100 frames that plays its last frame, and keeps its level (away from its two edges, where the
// band-limiting filters ring). The frequency that comes out is checked sample by sample below.
TEST(AudioMix, PitchSetsLengthButNotLevel) {
    const std::pair<int, double> cases[] = {
        {0, 96000},   {1, 90611},    {5, 71918}, {7, 64072},     {12, 48000},        {24, 24000},
        {-5, 128144}, {-12, 192000}, {200, 1},   {INT32_MAX, 1}, {-200, 4294967295}, {INT32_MIN, 4294967295},
    };
    for (auto [pitch, rate] : cases) {
        EXPECT_DOUBLE_EQ(pitchRatio(pitch), rate / 96000) << "pitch " << pitch;
        if (rate > 200000) continue;
        const auto frames = std::size_t(rate), periods = (frames + 99) / 100;
        AudioEngine level;
        level.play(constantBuffer(96000, 0.5f, -0.5f), 0.5f, pitch);
        const auto constant = render(level, periods * 100, 100);
        EXPECT_EQ(level.voiceCount(), 0u) << "pitch " << pitch;
        std::size_t sounding = 0;
        for (std::size_t f = 0; f < constant.size() / 2; ++f) {
            if (constant[2 * f] == 0.0f) continue;
            ++sounding;
            if (f < 1000 || f + 1000 > frames) continue;
            ASSERT_NEAR(constant[2 * f], 0.25f, 1e-6) << "pitch " << pitch << ", frame " << f;
            ASSERT_NEAR(constant[2 * f + 1], -0.25f, 1e-6) << "pitch " << pitch << ", frame " << f;
        }
        EXPECT_NEAR(double(sounding), double(frames), 1) << "pitch " << pitch;
    }
}

// Between frames a shifted voice follows the band-limited signal that the frames sample, in time with
// it whichever copy of the buffer its shift reads: a 1 kHz sine comes out as the sine at the shifted
// frequency, sample for sample (away from the edges), at a level within the passband's ripple.
TEST(AudioMix, ShiftedVoicesFollowTheSignalBetweenFrames) {
    for (int pitch : {-24, -12, -5, -1, 1, 7, 11, 12, 13, 19, 24}) {
        AudioEngine engine;
        engine.play(sineBuffer(96000, 1000, 0.5f), 1.0f, pitch);
        const auto out = render(engine, 20000);
        const double hz = 1000 / pitchRatio(pitch);
        const auto sine = [&](int f) { return 0.5 * std::sin(2 * M_PI * hz * f / 96000); };
        double along = 0, power = 0;
        for (int f = 256; f < 20000; ++f) {
            along += (out[2 * f] - out[2 * f + 1]) * sine(f);
            power += 2 * sine(f) * sine(f);
        }
        const double gain = along / power;
        double worst = 0;
        for (int f = 256; f < 20000; ++f)
            worst = std::max({worst, std::abs(out[2 * f] - gain * sine(f)), std::abs(out[2 * f + 1] + gain * sine(f))});
        EXPECT_NEAR(gain, 1, 0.003) << "pitch " << pitch;
        EXPECT_LT(worst, 1e-5) << "pitch " << pitch;
    }
}

// Level times volume times master volume; what is no finite number becomes silence, and the voice runs its length
// whatever is heard. The master volume, the volume, the level, and the level heard.
TEST(AudioMix, VolumesMultiplyAndNonFiniteSamplesBecomeSilence) {
    const std::tuple<float, float, float, float> cases[] = {
        {0.5f, 0.8f, 2.0f, 0.8f}, {0.0f, 1.0f, 0.5f, 0.0f}, {3.4e38f, 1.0f, 2.0f, 0.0f}, {1.0f, 1.0f, NAN, 0.0f}};
    for (const auto& [master, volume, level, expected] : cases) {
        AudioEngine engine;
        engine.masterVolume = master;
        engine.play(constantBuffer(200, level, -level), volume, 0);
        const auto out = render(engine, 50);
        EXPECT_EQ(std::pair(out[0], out[1]), std::pair(expected, -expected)) << master << " x " << level;
        EXPECT_EQ(engine.voiceCount(), 1u);
        render(engine, 100);
        EXPECT_EQ(engine.voiceCount(), 0u);
    }
}

TEST(AudioMix, PreviewStartsWithTheNextPeriodAndLateStartFramesWaitForTheirs) {
    AudioEngine engine;
    render(engine, 512);
    engine.play(constantBuffer(1, 0.125f, 0.125f), 1.0f, 0);
    engine.play(constantBuffer(1, 0.25f, 0.25f), 1.0f, 0, 700);
    engine.play(constantBuffer(1, 0.5f, 0.5f), 1.0f, 0, 1024 + 8192 + 100);  // in the second piece of a long period
    std::vector<int> pieces;  // a period longer than the scratch buffer is mixed, and told, piece by piece
    engine.onPeriod = [&](int frames, int rate) { pieces.push_back(rate == 96000 ? frames : -1); };
    // The delay that render() takes away at its start is what deviceOutput() then goes on from.
    const auto out = render(engine, 1024), later = deviceOutput(engine, 10000, 10000);
    EXPECT_EQ(out[0] + out[2 * 700] + later[2 * (8192 + 100)], 0.875f);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0.0f) + std::count(later.begin(), later.end(), 0.0f), 22048 - 6);
    EXPECT_EQ(pieces, (std::vector<int>{512, 512, int(AudioEngine::limiterDelayFrames), 8192, 1808}));
}

const auto never = VoicePool::Clock::time_point::max();

// A period with more voices than its processor time holds keeps its newest voices and fades the
// others out from where they were, with no step larger than the fade's, whatever the period's
// length; a voice that had not begun yet is cut silently. Being late, with time to spare on the
// processor, cuts nothing.
TEST(AudioVoices, ALatePeriodFadesTheOldestVoicesOutAndKeepsTheNewest) {
    const struct {
        std::uint32_t period, voices, startFrame;
        float cutLevel;  // the cut voices' sum, where they were
    } cases[] = {{1024, 100, 0, 92}, {64, 20, 0, 12}, {1024, 20, 10, 12}, {1024, 20, 1024 + 300, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.period);
        VoicePool pool(c.voices);
        std::vector<float> out(std::size_t{c.period} * 4, 0.0f);
        for (std::uint32_t v = 0; v < c.voices; ++v) {
            const bool newest = v >= c.voices - VoicePool::voicesPerClockCheck;
            pool.start(constantBuffer(4096, 1.0f, -1.0f), 1.0f, 1.0, newest ? 0 : c.startFrame);
        }
        pool.mixInto(out.data(), c.period, 1.0f, never);
        pool.mixInto(out.data() + 2 * c.period, c.period, 1.0f, never, std::chrono::nanoseconds(0));
        const std::size_t kept = VoicePool::voicesPerClockCheck;
        EXPECT_EQ(std::pair(pool.sounding(), pool.cutByDeadline()), std::pair(kept, c.voices - kept));
        const std::uint32_t fade = std::min(c.period, VoicePool::fadeFrames);
        float largestStep = 0;
        for (std::size_t f = c.period - 1; f + 1 < 2 * c.period; ++f)
            largestStep = std::max(largestStep, std::abs(out[2 * f + 2] - out[2 * f]));
        EXPECT_LE(largestStep, 1.01f * c.cutLevel / float(fade));
        EXPECT_EQ(out.back(), -float(kept)) << "the newest alone at the end";
        for (std::size_t v = 0; v < kept; ++v) pool.start(constantBuffer(4096, 1.0f, -1.0f), 1.0f, 1.0, 0);
        pool.mixInto(out.data(), c.period, 1.0f, VoicePool::Clock::now() - std::chrono::seconds(1));
        EXPECT_EQ(pool.sounding(), 2 * kept) << "a period late from waiting alone cuts nothing";
    }
}

std::chrono::nanoseconds fakeCpuTime;

// Blocks of eight voices, each with the µs it took on the wall clock and on the processor, and the deadline's answer
// after each, up to the first no: what, the blocks, when the buffer is due (µs from the start; the processor budget is
// 8500), the voices, and the block after which the deadline says no, or -1. A stall charged to the thread spends the
// budget it takes, and no more.
TEST(AudioVoices, TheDeadlineCutsVoicesThatWouldNotFitAndNotForAStall) {
    using us = std::chrono::microseconds;
    const std::tuple<const char*, std::vector<std::pair<int, int>>, int, std::size_t, int> cases[] = {
        {"a stall in the first block", {{3000, 3000}, {10, 10}, {10, 10}}, 8500, 400, -1},
        {"a stall later", {{10, 10}, {10, 10}, {3000, 3000}, {10, 10}}, 8500, 400, -1},
        {"a stall that spends the budget", {{9000, 9000}, {10, 10}}, 8500, 400, 0},
        {"too many voices for the budget", {{100, 100}, {100, 100}, {100, 100}}, 8500, 4000, 1},
        {"too little time before the buffer is due", {{10, 10}, {10, 10}, {10, 10}}, 200, 800, 1},
        {"waiting for the processor", {{500, 10}, {500, 10}, {500, 10}, {500, 10}}, 8500, 400, -1},
        {"late from waiting alone", {{10, 10}, {10, 10}}, -1000, 400, -1},
    };
    for (const auto& [what, blocks, dueAfter, voices, firstNo] : cases) {
        const auto start = VoicePool::Clock::time_point(std::chrono::hours(1));
        fakeCpuTime = {};
        MixDeadline deadline(start + us(dueAfter), us(8500), double(VoicePool::fadeFrames) / 1024,
                             VoicePool::voicesPerClockCheck, start, [] { return fakeCpuTime; });
        auto now = start;
        std::size_t left = voices;
        int no = -1;
        for (std::size_t b = 0; b < blocks.size() && no < 0; ++b) {
            now += us(blocks[b].first);
            fakeCpuTime += us(blocks[b].second);
            left -= VoicePool::voicesPerClockCheck;
            if (!deadline.roomFor(left, now)) no = int(b);
        }
        EXPECT_EQ(no, firstNo) << what;
    }
}

// A voice that ends lets go of its buffer, and so does the oldest, cut off by a full pool.
TEST(AudioVoices, BuffersOfRetiredVoicesAreLetGoOfOnlyByTheReleasingThread) {
    for (bool cutOff : {false, true}) {
        VoicePool pool(2);
        std::vector<float> out(64 * 2);
        auto buffer = constantBuffer(10, 1.0f, 1.0f);
        std::weak_ptr<AudioBuffer> watched = buffer;
        pool.start(std::move(buffer), 1.0f, 1.0, 0);
        for (float level : {2.0f, 4.0f})
            if (cutOff) pool.start(constantBuffer(100, level, level), 1.0f, 1.0, 0);
        pool.mixInto(out.data(), 64, 1.0f, never);
        EXPECT_EQ(out[0], cutOff ? 6.0f : 1.0f);
        EXPECT_EQ(pool.sounding(), cutOff ? 2u : 0u);
        EXPECT_FALSE(watched.expired()) << cutOff;
        EXPECT_GE(pool.releaseQueue().releaseAll(), 1u);
        EXPECT_TRUE(watched.expired()) << cutOff;
    }
}

}  // namespace
}  // namespace zaffo::test
