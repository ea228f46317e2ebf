#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioBuffer.h"
#include "audio/AudioDevice.h"
#include "audio/LevelMeter.h"
#include "audio/MasterLimiter.h"
#include "audio/RealTimePriority.h"
#include "audio/VoicePool.h"
#include "audio/WavRecorder.h"

namespace zaffo {

// The program's one audio object: starts voices, mixes them period by period, hands each
// period to the recorder and to whichever device it was given to play.
//
// Real time: a period never allocates or frees memory (buffers that voices let go of are
// released on a thread of the engine's own, unless the engine was made to release them after
// each period for offline use), and a device's period never runs late for its voices: when the
// time left before the device needs the buffer would not hold them, the oldest voices not yet
// mixed are faded out and cut off. A device's audio thread asks for real-time priority. No
// sample that is not a finite number leaves a period, and none beyond full scale: the master
// limiter follows the master volume, so what the device, a recording and a render get is the
// mix delayed by limiterDelayFrames and turned down where it would go past -1 dBFS.
//
// Locks: engineMutex is the innermost lock of the program. The engine never calls out
// while holding it; onPeriod runs before the period takes it, so a hook may call play.
class AudioEngine {
public:
    // The clock advances at most one step per call of onPeriod, so longer periods are
    // mixed in pieces of this size.
    static constexpr std::uint32_t maxPeriodFrames = 8192;
    // A device needs a period's buffer about one period after asking for it; this share of that
    // time may go to the clock and the mix, the rest is left for the limiter, the recorder, the
    // device's own conversion and the scheduler's wake-up.
    static constexpr double deadlineShare = 0.8;
    // Voices are made up front; beyond this many overlapping ones the oldest is cut off.
    static constexpr std::size_t defaultVoiceCapacity = 1024;
    // Every frame leaves the engine this much later than its voices play it.
    static constexpr std::uint32_t limiterDelayFrames = MasterLimiter::delayFrames;

    // Who lets go of the buffers that voices are done with: a thread of the engine's own, so that
    // no period ever frees memory; or each period itself, after its mix, when no period has to
    // keep to real time (offline rendering), so that the engine starts no thread.
    enum class Release { ownThread, eachPeriod };

    explicit AudioEngine(std::size_t voiceCapacity = defaultVoiceCapacity, Release release = Release::ownThread);
    virtual ~AudioEngine();

    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Called on the audio thread at the start of every period, before its mix, with
    // the period's frame count and engineSampleRate. Set it before starting the device.
    std::function<void(int frameCount, int sampleRate)> onPeriod;

    // Gain on every voice; written by any thread, read once per period. Never clamped.
    std::atomic<float> masterVolume{1.0f};

    // Plays buffer once at volume, shifted by pitch semitones, beginning at startFrame
    // of the next mixed period. From onPeriod that is the period about to be mixed;
    // from elsewhere (a preview) it is the next one. An empty buffer is ignored.
    // With a bus (offline, see keepBuses), the voice also sounds into that bus.
    void play(std::shared_ptr<AudioBuffer> buffer, float volume, int pitch, std::uint32_t startFrame = 0,
              int bus = VoicePool::noBus);

    // Offline rendering only (it allocates): from now on every period also mixes each voice
    // started with a bus below count into that bus, so that the buses sum to the mix as the
    // voices leave it, before anything the engine does to the whole mix.
    void keepBuses(std::size_t count);
    // A bus's frames of the last period.
    const float* busFrames(std::size_t bus) const { return buses_[bus].data(); }

    // One period: clears out (frameCount interleaved stereo frames), calls onPeriod,
    // mixes every voice into it and records it. The device calls it on the audio
    // thread; tests and offline rendering call it with their own buffers.
    // Offline rendering and tests get every voice however long it takes.
    void renderPeriod(float* out, std::uint32_t frameCount) { renderPeriod(out, frameCount, false); }
    // The device's period: voices that would make it late are faded out and cut off.
    void renderRealTimePeriod(float* out, std::uint32_t frameCount) { renderPeriod(out, frameCount, true); }

    // The output's level and whether the limiter worked, since the last look.
    LevelMeter& outputMeter() { return limiter_.meter(); }

    std::size_t voiceCount() const;
    // Voices cut off because a period ran out of time, since the engine was made.
    std::uint64_t voicesCutForTime() const;
    std::size_t voiceCapacity() const { return voices_.capacity(); }
    // What the audio thread of the last device that keeps to real time got when it asked for
    // real-time priority.
    RealTimePriority::Outcome audioThreadPriority() const { return audioThreadPriority_.outcome(); }

    // Stops and drops the running device, if any, then starts device with the engine's
    // periods, real-time ones when the device keeps to real time. A device that does not
    // start (or none at all: openFailed) is dropped, and the engine is left without one.
    AudioDevice::StartResult startDevice(std::unique_ptr<AudioDevice> device);
    // Stops and drops the device; does nothing when none runs. Never call it from onPeriod. A
    // device that has not stopped after deviceStopLimit (its sound server is gone and its backend
    // hangs) is left to finish on a thread of its own, so that the program can still end.
    void stopDevice();
    static constexpr std::chrono::seconds deviceStopLimit{2};
    bool isDeviceRunning() const { return deviceRunning_.load(); }
    // How many frames after a period's voices are mixed its first frame is heard: the limiter's
    // delay and what the running device tells (asked again in each of its periods, since a
    // server's connections can change it); 0 without a device. Read by the audio thread.
    std::uint32_t outputLatencyFrames() const { return outputLatencyFrames_.load(std::memory_order_relaxed); }
    // From onPeriod: when the period began on the steady clock, if its device knows it from a clock of its own.
    std::optional<std::chrono::microseconds> devicePeriodTime() const { return devicePeriodTime_; }

    // Closes an open recording, then starts a new one at path, which must not exist yet.
    // Returns false when the file cannot be created: then no file is left, recordPath() names
    // the path that failed and recordError() says why.
    bool startRecording(const std::string& path);
    std::string recordError() const;
    // Completes and closes the recording, if one is open.
    void stopRecording();
    bool isRecording() const { return recording_.load(); }
    // The current or last recording's path.
    std::string recordPath() const;
    std::uint64_t droppedRecordFrames() const;

    // A recording that a write error ended before it was asked to stop.
    struct StoppedRecording {
        std::string path;
        std::string reason;
        double seconds = 0;  // what the file holds
    };
    // When a write error has ended the recording: closes it and describes it, once.
    std::optional<StoppedRecording> takeStoppedRecording();
    // Called on the recorder's own thread as soon as a write error ends a recording.
    void setOnRecordingStopped(std::function<void()> callback) { recorder_.setOnFailure(std::move(callback)); }

private:
    template <bool realTime>
    static void renderFromDevice(void* engine, float* out, std::uint32_t frameCount);
    void renderPeriod(float* out, std::uint32_t frameCount, bool realTime);
    // periodFrames: the whole period's frames on its first chunk, 0 on the others.
    void renderChunk(float* out, std::uint32_t frameCount, bool realTime, std::uint32_t periodFrames);
    void startBusesLocked(std::uint32_t frameCount);
    void dropDevice();
    void closeRecording();
    void releaseBuffers();

    mutable std::mutex engineMutex_;  // voices_, the recorder's producer side
    VoicePool voices_;
    MasterLimiter limiter_;
    std::atomic<bool> recording_{false};
    std::vector<std::vector<float>> buses_;  // guarded by engineMutex_, like the voices
    std::vector<float*> busChunk_;           // where the chunk being mixed goes in each bus

    const Release release_;
    // Lets go of the buffers that voices handed back, a few times per second.
    std::mutex releaserMutex_;
    std::condition_variable releaserWake_;
    bool releaserStopping_ = false;
    std::thread releaser_;

    mutable std::mutex lifecycleMutex_;  // device_, recorder_ opening and closing, recordPath_
    std::unique_ptr<AudioDevice> device_;
    std::atomic<bool> deviceRunning_{false};
    std::atomic<std::uint32_t> outputLatencyFrames_{0};
    RealTimePriority audioThreadPriority_;
    // The device whose periods run, for its latency; set while it is started, cleared before it stops.
    std::atomic<const AudioDevice*> latencySource_{nullptr};
    std::optional<std::chrono::microseconds> devicePeriodTime_;  // the audio thread's alone
    WavRecorder recorder_;
    std::string recordPath_;
};

}  // namespace zaffo
