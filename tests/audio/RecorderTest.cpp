#include "audio/AudioEngine.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include "AudioTestFiles.h"
#include "audio/FrameRing.h"

namespace zaffo {
namespace {

using test::render;

TEST(AudioRecording, FileHoldsExactlyWhatWasMixedAsFloatWav) {
    test::TempDir dir;
    AudioEngine engine;
    engine.play(test::sineBuffer(96000, 440, 0.7f), 1.0f, 0);
    engine.play(test::sineBuffer(50000, 220, 0.7f), 1.0f, 4);

    ASSERT_TRUE(engine.startRecording(dir.file("take.wav")));
    EXPECT_TRUE(engine.isRecording());
    const auto mixed = render(engine, 96000, 1000);
    engine.stopRecording();

    EXPECT_FALSE(engine.isRecording());
    const auto recorded = test::readSoundFile(dir.file("take.wav"));
    EXPECT_EQ(recorded.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(test::wavFormatTag(dir.file("take.wav")), 3);
    EXPECT_EQ(recorded.rate, 96000);
    EXPECT_EQ(recorded.channels, 2);
    EXPECT_EQ(recorded.samples, mixed);
    EXPECT_EQ(engine.droppedRecordFrames(), 0u);
}

TEST(AudioRecording, FileThatCannotBeCreatedIsAFailure) {
    test::TempDir dir;
    AudioEngine engine;

    EXPECT_FALSE(engine.startRecording(dir.file("no-such-folder/take.wav")));

    EXPECT_FALSE(engine.isRecording());
    EXPECT_EQ(engine.recordPath(), dir.file("no-such-folder/take.wav"));
    render(engine, 2000);
}

TEST(AudioRecording, EachRecordingIsCompletedWhenTheNextStartsTheEngineStopsOrDies) {
    test::TempDir dir;
    {
        AudioEngine engine;
        engine.play(test::constantBuffer(20000, 0.5f, 0.5f), 1.0f, 0);
        ASSERT_TRUE(engine.startRecording(dir.file("first.wav")));
        render(engine, 3000);
        ASSERT_TRUE(engine.startRecording(dir.file("second.wav")));
        render(engine, 5000);
        engine.stopRecording();
        EXPECT_EQ(engine.recordPath(), dir.file("second.wav"));
        render(engine, 1000);
        ASSERT_TRUE(engine.startRecording(dir.file("third.wav")));
        render(engine, 4800);
    }

    EXPECT_EQ(test::readSoundFile(dir.file("first.wav")).frames(), 3000);
    EXPECT_EQ(test::readSoundFile(dir.file("second.wav")).frames(), 5000);
    const auto third = test::readSoundFile(dir.file("third.wav"));
    ASSERT_EQ(third.frames(), 4800);
    EXPECT_EQ(third.samples.back(), 0.5f);
}

TEST(AudioFrameRing, KeepsOrderAcrossTheWrapAndCountsWhatDidNotFit) {
    FrameRing ring(4);
    const float first[] = {1, 1, 2, 2, 3, 3}, second[] = {4, 4, 5, 5, 6, 6};
    std::vector<float> drained;
    auto sink = [&](const float* frames, std::uint64_t count) { drained.insert(drained.end(), frames, frames + count * 2); };

    EXPECT_EQ(ring.push(first, 3), 3u);
    EXPECT_EQ(ring.drain(sink), 3u);
    EXPECT_EQ(ring.push(second, 3), 3u);
    EXPECT_EQ(ring.push(first, 3), 1u);
    EXPECT_EQ(ring.drain(sink), 4u);

    EXPECT_EQ(drained, (std::vector<float>{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 1, 1}));
    EXPECT_EQ(ring.droppedFrames(), 2u);
}

}  // namespace
}  // namespace zaffo
