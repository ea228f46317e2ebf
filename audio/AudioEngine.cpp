#include "audio/AudioEngine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <utility>

namespace zaffo {
namespace {

// Infinity and NaN become silence; everything else passes as it is.
void silenceNonFinite(float* samples, std::size_t count) {
    constexpr float largest = std::numeric_limits<float>::max();
    for (std::size_t i = 0; i < count; ++i) samples[i] = std::abs(samples[i]) <= largest ? samples[i] : 0.0f;
}

}  // namespace

AudioEngine::AudioEngine(std::size_t voiceCapacity, Release release) : voices_(voiceCapacity), release_(release) {
    if (release == Release::ownThread) releaser_ = std::thread([this] { releaseBuffers(); });
}

AudioEngine::~AudioEngine() {
    stopRecording();
    stopDevice();
    {
        std::lock_guard lock(releaserMutex_);
        releaserStopping_ = true;
    }
    releaserWake_.notify_one();
    if (releaser_.joinable()) releaser_.join();
}

void AudioEngine::releaseBuffers() {
    std::unique_lock lock(releaserMutex_);
    while (!releaserStopping_) {
        voices_.releaseQueue().releaseAll();
        releaserWake_.wait_for(lock, std::chrono::milliseconds(20));
    }
}

void AudioEngine::play(std::shared_ptr<AudioBuffer> buffer, float volume, int pitch, std::uint32_t startFrame,
                       int bus) {
    if (!buffer) return;
    const double ratio = pitchRatio(pitch);
    std::lock_guard lock(engineMutex_);
    voices_.start(std::move(buffer), volume, ratio, startFrame, bus);
}

void AudioEngine::keepBuses(std::size_t count) {
    std::lock_guard lock(engineMutex_);
    buses_.assign(count, {});
    busChunk_.assign(count, nullptr);
    voices_.keepBusRoom(maxPeriodFrames);
}

void AudioEngine::startBusesLocked(std::uint32_t frameCount) {
    for (std::size_t b = 0; b < buses_.size(); ++b) {
        buses_[b].assign(std::size_t{frameCount} * AudioBuffer::channels, 0.0f);
        busChunk_[b] = buses_[b].data();
    }
}

void AudioEngine::renderPeriod(float* out, std::uint32_t frameCount, bool realTime) {
    for (std::uint32_t periodFrames = frameCount; frameCount > 0; periodFrames = 0) {
        const std::uint32_t chunk = std::min(frameCount, maxPeriodFrames);
        renderChunk(out, chunk, realTime, periodFrames);
        out += std::size_t{chunk} * AudioBuffer::channels;
        frameCount -= chunk;
        if (devicePeriodTime_)
            *devicePeriodTime_ += std::chrono::microseconds(std::int64_t{chunk} * 1000000 / engineSampleRate);
    }
    if (release_ == Release::eachPeriod) voices_.releaseQueue().releaseAll();
}

void AudioEngine::renderChunk(float* out, std::uint32_t frameCount, bool realTime, std::uint32_t periodFrames) {
    using Clock = VoicePool::Clock;
    const auto timeLeft = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(deadlineShare * frameCount / engineSampleRate));
    const auto due = realTime ? Clock::now() + timeLeft : Clock::time_point::max();
    const auto processorBudget = realTime ? timeLeft : std::chrono::nanoseconds::max();
    const std::size_t samples = std::size_t{frameCount} * AudioBuffer::channels;
    std::fill(out, out + samples, 0.0f);
    if (onPeriod) onPeriod(static_cast<int>(frameCount), engineSampleRate);
    std::lock_guard lock(engineMutex_);
    if (periodFrames > 0) startBusesLocked(periodFrames);
    voices_.mixInto(out, frameCount, masterVolume.load(std::memory_order_relaxed), due, processorBudget,
                    busChunk_.empty() ? nullptr : busChunk_.data());
    silenceNonFinite(out, samples);
    for (float*& bus : busChunk_) {
        silenceNonFinite(bus, samples);
        bus += samples;
    }
    limiter_.process(out, frameCount);
    if (recording_.load(std::memory_order_relaxed)) recorder_.push(out, frameCount);
}

template <bool realTime>
void AudioEngine::renderFromDevice(void* engine, float* out, std::uint32_t frameCount) {
    auto* self = static_cast<AudioEngine*>(engine);
    if constexpr (realTime) self->audioThreadPriority_.raiseCallingThread();
    const AudioDevice* device = self->latencySource_.load();
    if (device) {
        self->outputLatencyFrames_.store(device->latencyFrames() + limiterDelayFrames, std::memory_order_relaxed);
    }
    self->devicePeriodTime_ = device ? device->periodTime() : std::nullopt;
    self->renderPeriod(out, frameCount, realTime);
    self->devicePeriodTime_.reset();
}

std::size_t AudioEngine::voiceCount() const {
    std::lock_guard lock(engineMutex_);
    return voices_.sounding();
}

std::uint64_t AudioEngine::voicesCutForTime() const {
    std::lock_guard lock(engineMutex_);
    return voices_.cutByDeadline();
}

AudioDevice::StartResult AudioEngine::startDevice(std::unique_ptr<AudioDevice> device) {
    std::lock_guard lifecycle(lifecycleMutex_);
    // Stopping waits for a period in progress, and a period takes engineMutex: so devices
    // are started and stopped without holding it.
    dropDevice();
    if (!device) return AudioDevice::StartResult::openFailed;
    {
        std::lock_guard lock(engineMutex_);
        limiter_.reset();  // nothing of an earlier device's sound is left on its way
    }
    const AudioDevice::Render render =
        device->realTime() ? &AudioEngine::renderFromDevice<true> : &AudioEngine::renderFromDevice<false>;
    latencySource_ = device.get();
    const AudioDevice::StartResult result = device->start(render, this);
    if (result != AudioDevice::StartResult::started) {
        latencySource_ = nullptr;
        return result;
    }
    outputLatencyFrames_ = device->latencyFrames() + limiterDelayFrames;
    device_ = std::move(device);
    deviceRunning_ = true;
    return result;
}

void AudioEngine::stopDevice() {
    std::lock_guard lifecycle(lifecycleMutex_);
    dropDevice();
}

void AudioEngine::dropDevice() {
    if (!device_) return;
    deviceRunning_ = false;
    latencySource_ = nullptr;
    outputLatencyFrames_ = 0;
    if (!device_->realTime()) {  // pulled by its caller: nothing of it runs that could hang
        device_->stop();
        device_.reset();
        return;
    }
    // A sound server that went away can leave its device unable to stop; the program does not
    // wait for it longer than deviceStopLimit, and leaves the device to stop on its own thread.
    std::shared_ptr<AudioDevice> device(std::move(device_));
    auto stopped = std::make_shared<std::promise<void>>();
    std::future<void> done = stopped->get_future();
    std::thread([device, stopped] {
        device->stop();
        stopped->set_value();
    }).detach();
    done.wait_for(deviceStopLimit);
}

bool AudioEngine::startRecording(const std::string& path) {
    std::lock_guard lifecycle(lifecycleMutex_);
    closeRecording();
    recordPath_ = path;
    // The file is created without engineMutex, so the audio thread never waits for the disk.
    if (!recorder_.open(path)) return false;
    std::lock_guard lock(engineMutex_);
    recording_ = true;
    return true;
}

void AudioEngine::stopRecording() {
    std::lock_guard lifecycle(lifecycleMutex_);
    closeRecording();
}

void AudioEngine::closeRecording() {
    {
        std::lock_guard lock(engineMutex_);
        recording_ = false;
    }
    // No period pushes any more: the writer can finish the file.
    recorder_.close();
}

std::optional<AudioEngine::StoppedRecording> AudioEngine::takeStoppedRecording() {
    std::lock_guard lifecycle(lifecycleMutex_);
    if (!recorder_.isOpen() || !recorder_.failed()) return std::nullopt;
    closeRecording();
    const double seconds = static_cast<double>(recorder_.framesWritten()) / engineSampleRate;
    return StoppedRecording{recordPath_, recorder_.error(), seconds};
}

std::string AudioEngine::recordError() const {
    std::lock_guard lifecycle(lifecycleMutex_);
    return recorder_.isOpen() ? std::string() : recorder_.error();
}

std::string AudioEngine::recordPath() const {
    std::lock_guard lifecycle(lifecycleMutex_);
    return recordPath_;
}

std::uint64_t AudioEngine::droppedRecordFrames() const {
    std::lock_guard lifecycle(lifecycleMutex_);
    return recorder_.droppedFrames();
}

}  // namespace zaffo
