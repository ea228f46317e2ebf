// Rendering a composition offline through the App's own clock and engine.

#include "AppFixture.h"

#include "app/OfflineRender.h"
#include "app/RenderCommand.h"
#include "audio/WavFile.h"

namespace zaffo::testing {
namespace {

using Frames = std::vector<int64_t>;

class RenderTest : public AppTest {
protected:
    // The left channel of the sections rendered from the live state.
    std::vector<float> renderLeft(const std::vector<RenderSection>& sections) {
        const std::string path = base + "/out.wav";
        WavFile file;
        EXPECT_TRUE(file.create(path));
        EXPECT_EQ(renderSections(*app, sections, file, [](double) { return true; }), RenderOutcome::done);
        file.close();
        const std::vector<float> frames = test::readSoundFile(path).samples;
        std::vector<float> left;
        std::filesystem::remove(path);
        for (size_t i = 0; i < frames.size(); i += 2) left.push_back(frames[i]);
        return left;
    }

    // Frames where the level rises: where a hit begins.
    static Frames onsets(const std::vector<float>& left) {
        Frames found;
        for (size_t i = 0; i < left.size(); ++i)
            if (left[i] > (i ? left[i - 1] : 0.0f)) found.push_back(static_cast<int64_t>(i));
        return found;
    }

    static Frames everyStep(int64_t from, int64_t stepFrames, int steps, Frames frames = {}) {
        for (int i = 0; i < steps; ++i) frames.push_back(from + i * stepFrames);
        return frames;
    }
};

TEST_F(RenderTest, HitsLandOnTheirStepsToTheFrameAndTheTailRingsOut) {
    writeWav(pack("default") + "/long.wav", 30000);  // 6000 frames longer than a step at 120
    start();
    ASSERT_TRUE(run("kick ########").ok);
    for (int measures : {1, 3}) {
        SCOPED_TRACE(measures);
        ASSERT_TRUE(run("long --------").ok);
        std::vector<float> left = renderLeft({{"", measures}});
        EXPECT_EQ(renderLeft({{"", measures}}), left) << "the same every time";
        EXPECT_EQ(left.size(), measures * 192000u);
        EXPECT_EQ(onsets(left), everyStep(0, 24000, 8 * measures));

        ASSERT_TRUE(run("long -------#").ok);
        left = renderLeft({{"", measures}});
        EXPECT_EQ(left.size(), measures * 192000u + 6000);
        EXPECT_EQ(onsets(left), everyStep(0, 24000, 8 * measures));
        EXPECT_EQ(left.back(), 0.5f) << "the tail ends with the sound";
    }
}

TEST_F(RenderTest, PartsFollowEachOtherAtTheirOwnTempo) {
    start();
    for (const auto& [line, bpm] :
         {std::pair{"kick #-#-#-#-", 240}, {"=fast", 0}, {"kick #-------", 60}, {"=slow", 0}}) {
        if (bpm) app->sequencerOf().bpm = bpm;
        ASSERT_TRUE(run(line).ok) << line;
    }
    const std::vector<float> left = renderLeft({{"fast", 1}, {"slow", 1}, {"fast", 1}});
    // fast: a step of 12000 frames, hits on every other; slow: a step of 48000.
    const Frames expected = everyStep(96000 + 8 * 48000, 24000, 4, everyStep(0, 24000, 5));
    EXPECT_EQ(onsets(left), expected);
    EXPECT_EQ(left.size(), 96000u + 384000u + 96000u);
}

TEST_F(RenderTest, TheSameSeedWritesTheSameBytes) {
    start();
    ASSERT_TRUE(run("kick #-##--#- &1").ok);
    ASSERT_TRUE(run("save song").ok);
    auto renderWithSeed = [&](std::uint32_t seed) {
        EXPECT_EQ(renderCommand({base + "/song", {{"", 4}}, seed, base + "/song.wav"}, base), 0);
        return readFile(base + "/song.wav");
    };
    const std::string first = renderWithSeed(7);
    EXPECT_EQ(first.size(), 88u + 4 * 192000 * 8);
    EXPECT_EQ(renderWithSeed(7), first);
    EXPECT_NE(renderWithSeed(8), first) << "another seed, other shuffles";
}

}  // namespace
}  // namespace zaffo::testing
