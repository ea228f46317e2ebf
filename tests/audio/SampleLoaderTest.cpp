#include "audio/SampleLoader.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <fstream>

#include "AudioTestFiles.h"

namespace zaffo {
namespace {

float peak(const AudioBuffer& buffer, int channel) {
    float result = 0;
    for (std::uint64_t f = 0; f < buffer.frameCount(); ++f)
        result = std::max(result, std::fabs(buffer.data()[2 * f + channel]));
    return result;
}

// Each channel c of a fixture carries a 441 Hz sine of amplitude 0.1 * (c + 1).
TEST(AudioDecoding, FilesBecomeStereoAt96000) {
    const struct {
        const char* name;
        int format, rate, channels;
        std::int64_t frames;
        double expectedFrames, tolerance, left, right;
    } cases[] = {
        {"mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 44100, 96000, 2, 0.1, 0.1},
        {"stereo.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, 48000, 96000, 2, 0.1, 0.2},
        {"block.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 2, 4096, 4096, 0, 0.1, 0.2},
        {"quad.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 4, 9600, 9600, 0, 0.1, 0.2},
        // The encoder adds its own delay and padding around the second.
        {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, 44100, 96000, 6000, 0.1, 0.2},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        const int rate = c.rate;
        auto sine = [rate](std::int64_t f, int channel) {
            return float(0.1 * (channel + 1) * std::sin(2 * M_PI * 441 * double(f) / rate));
        };
        ASSERT_TRUE(test::writeSoundFile(dir.file(c.name), c.format, c.rate, c.channels, c.frames, sine));

        auto buffer = loadSample(dir.file(c.name));

        ASSERT_TRUE(buffer) << c.name;
        EXPECT_NEAR(double(buffer->frameCount()), c.expectedFrames, c.tolerance) << c.name;
        EXPECT_NEAR(peak(*buffer, 0), c.left, 0.01) << c.name;
        EXPECT_NEAR(peak(*buffer, 1), c.right, 0.01) << c.name;
        for (std::int64_t f = 0; c.rate == 96000 && f < c.frames; ++f)  // nothing to convert
            ASSERT_EQ(buffer->data()[2 * f + 1], sine(f, 1)) << c.name << " frame " << f;
    }
}

TEST(AudioDecoding, WhatCannotBeDecodedGivesNoBufferAndPrintsNothing) {
    test::TempDir dir;
    std::ofstream(dir.file("empty.wav"));
    std::ofstream(dir.file("text.wav")) << "these are not the frames you are looking for\n";
    ASSERT_TRUE(test::writeSoundFile(dir.file("silent.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 2, 0,
                                     [](auto, int) { return 0.0f; }));

    for (const char* name : {"empty.wav", "text.wav", "silent.wav", "missing.wav", ""}) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(loadSample(dir.file(name))) << name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << name;
    }
}

}  // namespace
}  // namespace zaffo

namespace zaffo {
namespace {

TEST(AudioDecoding, ManyFilesDecodeSideBySideInTheirOrder) {
    test::TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 9; ++i) {
        paths.push_back(dir.file("s" + std::to_string(i) + ".wav"));
        ASSERT_TRUE(test::writeSoundFile(paths.back(), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 1, 100 + i,
                                         [](std::int64_t, int) { return 0.5f; }));
    }
    paths.insert(paths.begin() + 4, dir.file("missing.wav"));
    const auto buffers = loadSamples(paths);
    ASSERT_EQ(buffers.size(), 10u);
    EXPECT_EQ(buffers[4], nullptr);
    for (int i = 0; i < 9; ++i) {
        const auto& buffer = buffers[i < 4 ? i : i + 1];
        ASSERT_NE(buffer, nullptr) << i;
        EXPECT_EQ(buffer->frameCount(), 100u + i);
    }
    EXPECT_TRUE(loadSamples({}).empty());
}

}  // namespace
}  // namespace zaffo
