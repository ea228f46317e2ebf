#include "audio/SampleLoader.h"
#include "tests/audio/AudioTestFiles.h"

#include <sys/resource.h>
#include <sys/stat.h>

namespace zaffo::test {
namespace {

// Writes a big-endian (MP3) or little-endian (WAV) 32-bit field of a file's header in place.
void patchHeader(const std::string& path, std::size_t at, std::uint32_t value, bool bigEndian) {
    std::string bytes = testing::readFile(path);
    ASSERT_LE(at + 4, bytes.size()) << path;
    for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> 8 * (bigEndian ? 3 - i : i));
    testing::writeFile(path, bytes);
}

// Each channel c of a file carries a 441 Hz sine of amplitude 0.1 * (c + 1). The file, its format, rate, channels and
// frames, the frames decoded and how near, and the peaks left and right.
TEST(AudioDecoding, FilesBecomeStereoAt96000) {
    const std::tuple<const char*, int, int, int, std::int64_t, double, double, double, double> cases[] = {
        {"mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 44100, 96000, 2, 0.1, 0.1},
        {"stereo.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, 48000, 96000, 2, 0.1, 0.2},
        {"block.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 2, 4096, 4096, 0, 0.1, 0.2},
        {"quad.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 4, 9600, 9600, 0, 0.1, 0.2},
        // Its length is what its frames decode to, not what its header says; the encoder adds delay and padding.
        {"hours.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, 44100, 96000, 6000, 0.1, 0.2},
    };
    TempFolder dir;
    for (const auto& [name, format, rate, channels, frames, expectedFrames, tolerance, left, right] : cases) {
        auto sine = [rate = rate](std::int64_t f, int channel) {
            return float(0.1 * (channel + 1) * std::sin(2 * M_PI * 441 * double(f) / rate));
        };
        ASSERT_TRUE(writeSoundFile(dir / name, format, rate, channels, frames, sine));
        if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {  // its Xing header claims 0x400000 frames: 30 hours
            const std::size_t tag = testing::readFile(dir / name).find("Xing");
            ASSERT_NE(tag, std::string::npos) << "libsndfile wrote no Xing header";
            patchHeader(dir / name, tag + 8, 0x400000, true);  // after the tag and its flags
        }
        const DecodedSample decoded = decodeSample(dir / name);
        const auto& buffer = decoded.buffer;
        ASSERT_TRUE(buffer) << name;
        EXPECT_FALSE(decoded.limited) << name;
        EXPECT_NEAR(double(buffer->frameCount()), expectedFrames, tolerance) << name;
        float peaks[2] = {0, 0};
        for (std::uint64_t i = 0; i < 2 * buffer->frameCount(); ++i)
            peaks[i % 2] = std::max(peaks[i % 2], std::fabs(buffer->data()[i]));
        EXPECT_NEAR(peaks[0], left, 0.01) << name;
        EXPECT_NEAR(peaks[1], right, 0.01) << name;
        for (std::int64_t f = 0; rate == 96000 && f < frames; ++f)  // nothing to convert
            ASSERT_EQ(buffer->data()[2 * f + 1], sine(f, 1)) << name << " frame " << f;
    }
}

// Values that no sound holds are made harmless once, at load, and the caller is told.
TEST(AudioDecoding, NonNumbersBecomeSilenceAndAbsurdValuesAreHeldAt16) {
    TempFolder dir;
    const float values[] = {1e30f, -1e30f, NAN, INFINITY, 0.5f};
    ASSERT_TRUE(writeSoundFile(dir / "wild.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 96000, 1, 5,
                               [&](std::int64_t f, int) { return values[f]; }));
    const DecodedSample decoded = decodeSample(dir / "wild.wav");
    ASSERT_TRUE(decoded.buffer);
    EXPECT_TRUE(decoded.limited);
    EXPECT_EQ(std::vector<float>(decoded.buffer->data(), decoded.buffer->data() + 10),
              (std::vector<float>{16, 16, -16, -16, 0, 0, 0, 0, 0.5, 0.5}));
}

// Absurd rates are refused before anything is sized from them, and the extremes allowed decode in little memory.
TEST(AudioDecoding, RatesAreCheckedBeforeTheyCostMemory) {
    TempFolder dir;
    using enum SampleProblem;
    // The rate a header claims, the problem found, the frames decoded.
    const std::tuple<int, SampleProblem, double> cases[] = {
        {1, badRate, 0}, {999, badRate, 0}, {800000, badRate, 0}, {1000, none, 9600}, {768000, none, 12.5}};
    for (const auto& [rate, problem, frames] : cases) {
        const std::string path = dir / std::to_string(rate);
        ASSERT_TRUE(
            writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 100, [](auto, int) { return 0.25f; }));
        patchHeader(path, 24, rate, false);
        patchHeader(path, 28, rate * 2, false);  // the byte rate
    }
    const auto peakKilobytes = [] {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    const long before = peakKilobytes();
    for (const auto& [rate, problem, frames] : cases) {
        const DecodedSample decoded = decodeSample(dir / std::to_string(rate));
        EXPECT_EQ(decoded.problem, problem) << rate;
        EXPECT_NEAR(decoded.buffer ? double(decoded.buffer->frameCount()) : 0, frames, 10) << rate;
    }
    // A header believed would cost gigabytes; a sanitizer's own bookkeeping stays far below this.
    EXPECT_LT(peakKilobytes() - before, 32 * 1024);
}

// Each is passed over without a word on standard output or error; decoded side by side, they come back in their order.
TEST(AudioDecoding, OnlyRegularWavAndMp3FilesWithinTheLongestLengthAreLoaded) {
    TempFolder dir;
    const auto sound = [&dir](int format, int rate, std::int64_t frames) {
        return [=, &dir](const std::string& name) {
            ASSERT_TRUE(writeSoundFile(dir / name, format, rate, 1, frames, [](auto, int) { return 0.25f; }));
        };
    };
    const auto linkTo = [&dir](std::string target) {
        return [=, &dir](const std::string& name) { std::filesystem::create_symlink(target, dir / name); };
    };
    const auto fifo = [&dir](const std::string& name) { ASSERT_EQ(::mkfifo((dir / name).c_str(), 0600), 0); };
    const int pcm8 = SF_FORMAT_WAV | SF_FORMAT_PCM_U8, mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    using enum SampleProblem;
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
        SampleProblem problem;
        std::uint64_t maxFrames = maxSampleFrames;
    } cases[] = {
        {"empty.wav", [&](const std::string& name) { testing::writeFile(dir / name, ""); }, unreadable},
        {"silent.wav", sound(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 0), unreadable},
        {"missing.wav", [](const std::string&) {}, unreadable},
        {"flac.wav", sound(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 375, 375 * 700), unreadable},
        {"fifo.wav", fifo, unreadable},
        {"to-fifo.wav", linkTo(dir / "fifo.wav"), unreadable},
        {"zero.wav", linkTo("/dev/zero"), unreadable},
        {"folder.wav", [&](const std::string& name) { std::filesystem::create_directory(dir / name); }, unreadable},
        {"rf64.wav", sound(SF_FORMAT_RF64 | SF_FORMAT_FLOAT, 96000, 100), none},
        {"to-rf64.wav", linkTo(dir / "rf64.wav"), none},
        {"at-limit.wav", sound(pcm8, 96000, 1000), none, 1000},
        {"over-limit.wav", sound(pcm8, 96000, 1001), tooLong, 1000},
        {"over-limit.mp3", sound(mp3, 48000, 48000), tooLong, 20000},
    };
    auto described = [](const DecodedSample& sample) {
        return std::pair(sample.problem, sample.buffer ? sample.buffer->frameCount() : 0);
    };
    std::vector<std::string> paths;
    std::vector<std::pair<SampleProblem, std::uint64_t>> one, all;
    for (const auto& c : cases) {
        c.make(c.name);
        const std::string path = dir / c.name;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const DecodedSample sample = decodeSample(path, c.maxFrames);
        EXPECT_EQ(::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr(), "") << c.name;
        EXPECT_EQ(sample.problem, c.problem) << c.name;
        EXPECT_EQ(sample.buffer != nullptr, c.problem == none) << c.name;
        if (c.maxFrames != maxSampleFrames) continue;
        paths.push_back(path);
        one.push_back(described(sample));
    }
    for (const DecodedSample& sample : loadSamples(paths)) all.push_back(described(sample));
    EXPECT_EQ(all, one);
    EXPECT_TRUE(loadSamples({}).empty());
}

}  // namespace
}  // namespace zaffo::test
