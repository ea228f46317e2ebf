#include "audio/FrameRing.h"
#include "audio/SdlDevice.h"
#include "audio/SilentDevice.h"
#include "audio/WavFile.h"
#include "tests/audio/AudioTestFiles.h"
#include "tests/support/DiskFull.h"

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstring>
#include <future>
#include <thread>
#include <tuple>

namespace zaffo::test {
namespace {

using testing::DiskFullAt;

// A take of `frames` float frames, the first of `mixed`, whose header gives its true sizes: 32-bit RIFF and data
// sizes, or in an RF64 0xFFFFFFFF there and the 64-bit ones in the ds64 chunk that comes first.
void expectTake(const std::string& path, std::uintmax_t header, std::uint64_t frames, const std::vector<float>& mixed,
                int format = SF_FORMAT_WAV) {
    EXPECT_EQ(std::filesystem::file_size(path), header + 8 * frames);
    const std::string bytes = testing::readFile(path);
    using Sizes = std::tuple<std::uint32_t, std::uint32_t, std::uint64_t, std::uint64_t, std::uint64_t>;
    std::uint32_t riff = 0, data = 0;
    std::uint64_t ds64[3] = {};
    std::memcpy(&riff, bytes.data() + 4, 4);
    std::memcpy(&data, bytes.data() + bytes.find("data") + 4, 4);
    if (bytes.compare(12, 4, "ds64") == 0) std::memcpy(ds64, bytes.data() + 20, sizeof ds64);
    const std::uint64_t riffBytes = bytes.size() - 8, dataBytes = 8 * frames;
    EXPECT_EQ(Sizes(riff, data, ds64[0], ds64[1], ds64[2]),
              format == SF_FORMAT_RF64 ? Sizes(0xFFFFFFFF, 0xFFFFFFFF, riffBytes, dataBytes, frames)
                                       : Sizes(riffBytes, dataBytes, 0, 0, 0));
    const auto take = readSoundFile(path);
    EXPECT_EQ(std::tuple(take.format, take.rate, take.channels), std::tuple(format | SF_FORMAT_FLOAT, 96000, 2));
    ASSERT_EQ(take.frames(), std::int64_t(frames));
    EXPECT_TRUE(std::equal(take.samples.begin(), take.samples.end(), mixed.begin()));
}

// Each take is completed when the next starts, when it is stopped and when the engine goes.
TEST(AudioRecording, EachTakeHoldsExactlyWhatWasMixedWhileItRanAsFloatWav) {
    TempFolder dir;
    std::vector<float> mixed[3];
    {
        AudioEngine engine;
        engine.play(sineBuffer(96000, 440, 0.7f), 1.0f, 0);
        engine.play(sineBuffer(50000, 220, 0.7f), 1.0f, 4);
        ASSERT_TRUE(engine.startRecording(dir / "0.wav"));
        mixed[0] = deviceOutput(engine, 30000, 1000);
        ASSERT_TRUE(engine.startRecording(dir / "1.wav"));
        mixed[1] = deviceOutput(engine, 50000);
        engine.stopRecording();
        deviceOutput(engine, 1000);
        ASSERT_TRUE(engine.startRecording(dir / "2.wav"));
        mixed[2] = deviceOutput(engine, 4800);
    }
    // The format and header are checked with the full disk below.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(readSoundFile(dir / (std::to_string(i) + ".wav")).samples, mixed[i]) << i;
}

TEST(AudioRecording, AFullDiskEndsTheTakeWithAHeaderThatMatchesTheFramesOnDisk) {
    TempFolder dir;
    AudioEngine whole;  // a start that cannot write the header is checked with the record command
    whole.play(sineBuffer(96000, 440, 0.7f), 1.0f, 0);
    ASSERT_TRUE(whole.startRecording(dir / "whole.wav"));
    const auto mixed = deviceOutput(whole, 20000);
    whole.stopRecording();
    const auto header = std::filesystem::file_size(dir / "whole.wav") - 20000 * 8;

    const std::pair<std::uintmax_t, std::uint64_t> cases[] = {
        {header + 8 * 5000, 5000},        // full on a frame boundary
        {header + 8 * 12000 + 5, 12000},  // inside a frame
        {header + 3, 0},                  // right after the header
    };
    for (const auto& [diskBytes, framesKept] : cases) {
        SCOPED_TRACE(diskBytes);
        const std::string path = dir / (std::to_string(diskBytes) + ".wav");
        AudioEngine engine;
        engine.play(sineBuffer(96000, 440, 0.7f), 1.0f, 0);
        std::optional<AudioEngine::StoppedRecording> stopped;
        {
            DiskFullAt full(diskBytes);
            ASSERT_TRUE(engine.startRecording(path));
            deviceOutput(engine, 20000);
            ASSERT_TRUE(waitUntil([&] { return (stopped = engine.takeStoppedRecording()).has_value(); }));
        }
        EXPECT_EQ(std::tuple(engine.isRecording(), stopped->path, stopped->reason, stopped->seconds),
                  std::tuple(false, path, "File too large", framesKept / 96000.0));
        EXPECT_FALSE(engine.takeStoppedRecording()) << "told once";
        expectTake(path, header, framesKept, mixed);
    }
}

// Past the threshold (4 GiB, set low here) a take becomes RF64, read back with its true length whether it was closed,
// cut off by a crash after a header update, or ended by a full disk inside a frame; up to it, a plain WAV.
TEST(AudioRecording, ATakePastTheThresholdBecomesRf64WithItsTrueLength) {
    struct Restore {
        ~Restore() { WavFile::setRf64Threshold(WavFile::defaultRf64Threshold); }
    } restore;
    TempFolder dir;
    std::vector<float> mixed(2 * 1000);
    for (std::size_t i = 0; i < mixed.size(); ++i) mixed[i] = float(i) / 4096;
    WavFile empty;
    ASSERT_TRUE(empty.create(dir / "empty.wav"));
    empty.close();
    const auto header = std::filesystem::file_size(dir / "empty.wav");

    // What, the threshold, the bytes the disk holds, whether the file is closed, the frames kept and the format.
    const std::tuple<const char*, std::uint64_t, rlim_t, bool, std::uint64_t, int> cases[] = {
        {"at", header + 8 * 1000, RLIM_INFINITY, true, 1000, SF_FORMAT_WAV},
        {"past", header + 8 * 999, RLIM_INFINITY, true, 1000, SF_FORMAT_RF64},
        {"crashed", header + 8 * 999, RLIM_INFINITY, false, 1000, SF_FORMAT_RF64},
        {"full past", header + 8 * 500, header + 8 * 700 + 5, true, 700, SF_FORMAT_RF64},
    };
    for (const auto& [name, threshold, diskBytes, closed, framesKept, format] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir / (std::string(name) + ".wav");
        WavFile::setRf64Threshold(threshold);
        WavFile file;
        {
            DiskFullAt full(diskBytes);
            ASSERT_TRUE(file.create(path));
            EXPECT_EQ(file.write(mixed.data(), 1000), framesKept == 1000);
        }
        file.updateHeader();
        if (closed) file.close();
        EXPECT_EQ(file.frames(), framesKept);
        expectTake(path, header, framesKept, mixed, format);
    }
}

TEST(AudioRecording, ATakeKilledWhileRecordingStillPlays) {
    TempFolder dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AudioEngine engine;
        engine.play(constantBuffer(96000, 0.25f, -0.25f), 1.0f, 0);
        if (engine.startRecording(dir / "take.wav")) deviceOutput(engine, 48000);
        ::usleep(300000);
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    const auto take = readSoundFile(dir / "take.wav");
    EXPECT_EQ(take.frames(), 48000);
    EXPECT_EQ(take.samples.back(), -0.25f);
}

TEST(AudioFrameRing, KeepsOrderAcrossTheWrapAndCountsWhatDidNotFit) {
    FrameRing ring(4);
    const float first[] = {1, 1, 2, 2, 3, 3}, second[] = {4, 4, 5, 5, 6, 6};
    std::vector<float> drained;
    auto sink = [&](const float* frames, std::uint64_t count) {
        drained.insert(drained.end(), frames, frames + count * 2);
    };
    EXPECT_EQ(ring.push(first, 3), 3u);
    EXPECT_EQ(ring.drain(sink), 3u);
    EXPECT_EQ(ring.push(second, 3), 3u);
    EXPECT_EQ(ring.push(first, 3), 1u);
    EXPECT_EQ(ring.drain(sink), 4u);
    EXPECT_EQ(drained, (std::vector<float>{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 1, 1}));
    EXPECT_EQ(ring.droppedFrames(), 2u);
}

// A device whose sound server went away, which never stops: the engine waits for it no longer than its limit, so that
// the program can end, and is left with no device.
struct HangingDevice : AudioDevice {
    explicit HangingDevice(std::shared_future<void> released) : released(std::move(released)) {}
    StartResult start(Render, void*) override { return StartResult::started; }
    void stop() override { released.wait(); }
    std::uint32_t latencyFrames() const override { return 0; }
    bool realTime() const override { return true; }
    std::shared_future<void> released;
};

TEST(AudioDevice, ADeviceThatHangsWhenStoppedIsWaitedForNoLongerThanTheLimit) {
    std::promise<void> release;
    AudioEngine engine;
    ASSERT_EQ(engine.startDevice(std::make_unique<HangingDevice>(release.get_future().share())),
              AudioDevice::StartResult::started);
    const auto begun = std::chrono::steady_clock::now();
    engine.stopDevice();
    const auto waited = std::chrono::steady_clock::now() - begun;
    EXPECT_TRUE(waited >= AudioEngine::deviceStopLimit && waited < std::chrono::seconds(10));
    EXPECT_FALSE(engine.isDeviceRunning());
    release.set_value();  // the device's own thread ends
}

// SDL's dummy driver and the silent device's own thread: a second start replaces the first device, periods are at
// most the length asked for, and no period comes after a stop. What they play is checked end to end.
TEST(AudioDevice, StartingTwiceAndStoppingWhileTheHookPlaysNeverDeadlocks) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    const struct {
        const char* name;
        std::function<std::unique_ptr<AudioDevice>()> make;
        std::uint32_t period, latency;
    } kinds[] = {
        {"sdl", [] { return std::make_unique<SdlDevice>(); }, SdlDevice::requestedPeriodFrames,
         SdlDevice::requestedPeriodFrames},
        {"silent", [] { return std::make_unique<SilentDevice>(); }, SilentDevice::periodFrames, 0},
    };
    constexpr auto started = AudioDevice::StartResult::started;
    for (const auto& kind : kinds) {
        AudioEngine engine;
        std::atomic<std::uint64_t> frames{0};
        std::atomic<int> largestPeriod{0};
        auto click = constantBuffer(64, 0.1f, 0.1f);
        engine.onPeriod = [&](int frameCount, int) {
            frames += std::uint64_t(frameCount);
            largestPeriod = std::max(largestPeriod.load(), frameCount);
            engine.play(click, 1.0f, 3, std::uint32_t(frameCount / 2));
        };
        for (int round = 0; round < 10; ++round) {
            const std::uint64_t before = frames;
            ASSERT_EQ(engine.startDevice(kind.make()), started) << kind.name;
            ASSERT_EQ(engine.startDevice(kind.make()), started) << kind.name;
            EXPECT_EQ(engine.outputLatencyFrames(), kind.latency + AudioEngine::limiterDelayFrames) << kind.name;
            engine.play(click, 1.0f, 0);
            engine.masterVolume = 0.5f * float(round);
            ASSERT_TRUE(waitUntil([&] { return frames > before + 2048; })) << kind.name;
            EXPECT_NE(engine.audioThreadPriority(), RealTimePriority::Outcome::notAsked) << kind.name;
            engine.stopDevice();
        }
        EXPECT_LE(largestPeriod.load(), int(kind.period)) << kind.name;

        EXPECT_EQ(std::pair(engine.isDeviceRunning(), engine.outputLatencyFrames()), std::pair(false, 0u)) << kind.name;
        const std::uint64_t stopped = frames;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(frames.load(), stopped) << kind.name;
    }
}

}  // namespace
}  // namespace zaffo::test
