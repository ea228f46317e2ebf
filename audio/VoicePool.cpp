#include "audio/VoicePool.h"

#include "PitchFilter.h"

#include "audio/MixDeadline.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace zaffo {

VoicePool::VoicePool(std::size_t capacity)
    : players_(capacity),
      busOf_(capacity, noBus),
      released_(2 * capacity),
      fadeScratch_(std::size_t{fadeFrames} * AudioBuffer::channels) {
    idle_.reserve(capacity);
    sounding_.reserve(capacity);
    parked_.reserve(capacity);
    for (AudioPlayer& player : players_) idle_.push_back(&player);
    // The pitch kernels are made here, before any voice on the audio thread needs them.
    PitchFilter::forStep(1.0, engineSampleRate / 2.0);
}

void VoicePool::retire(AudioPlayer* voice) {
    std::shared_ptr<AudioBuffer>& buffer = voice->heldBuffer();
    if (!buffer || released_.push(buffer))
        idle_.push_back(voice);
    else
        parked_.push_back(voice);
}

void VoicePool::handOverParked() {
    while (!parked_.empty() && released_.push(parked_.back()->heldBuffer())) {
        idle_.push_back(parked_.back());
        parked_.pop_back();
    }
}

AudioPlayer* VoicePool::takeVoice() {
    handOverParked();
    if (idle_.empty() && !sounding_.empty()) {
        AudioPlayer* oldest = sounding_.front();
        sounding_.erase(sounding_.begin());
        retire(oldest);
    }
    if (idle_.empty()) return nullptr;
    AudioPlayer* voice = idle_.back();
    idle_.pop_back();
    return voice;
}

bool VoicePool::start(std::shared_ptr<AudioBuffer> buffer, float volume, double ratio, std::uint32_t startFrame,
                      int bus) {
    AudioPlayer* voice = takeVoice();
    if (!voice) {
        released_.push(buffer);
        return false;
    }
    voice->start(std::move(buffer), volume, ratio, startFrame);
    busOf_[static_cast<std::size_t>(voice - players_.data())] = bus;
    sounding_.push_back(voice);
    return true;
}

bool VoicePool::mixVoice(AudioPlayer* voice, float* out, std::uint32_t frameCount, float masterVolume,
                         float* const* buses) {
    const int bus = busOf_[static_cast<std::size_t>(voice - players_.data())];
    const std::size_t samples = std::size_t{frameCount} * 2;
    if (!buses || bus == noBus || busScratch_.size() < samples) return voice->mixInto(out, frameCount, masterVolume);
    // Mixed alone from silence, each frame is the very value the voice would have added to out.
    std::fill(busScratch_.begin(), busScratch_.begin() + static_cast<std::ptrdiff_t>(samples), 0.0f);
    const bool sounding = voice->mixInto(busScratch_.data(), frameCount, masterVolume);
    for (std::size_t i = 0; i < samples; ++i) {
        out[i] += busScratch_[i];
        buses[bus][i] += busScratch_[i];
    }
    return sounding;
}

void VoicePool::mixInto(float* out, std::uint32_t frameCount, float masterVolume, Clock::time_point due,
                        std::chrono::nanoseconds processorBudget, float* const* buses) {
    handOverParked();
    std::optional<MixDeadline> deadline;
    if (due != Clock::time_point::max() || processorBudget != std::chrono::nanoseconds::max())
        deadline.emplace(due, processorBudget, std::min(1.0, static_cast<double>(fadeFrames) / frameCount),
                         voicesPerClockCheck, Clock::now());
    // Survivors are packed towards the back, so that they keep their order.
    std::size_t kept = sounding_.size();
    bool late = false;
    for (std::size_t i = sounding_.size(); i-- > 0;) {
        AudioPlayer* voice = sounding_[i];
        const std::size_t mixed = sounding_.size() - 1 - i;
        if (deadline && !late && mixed > 0 && mixed % voicesPerClockCheck == 0)
            late = !deadline->roomFor(i + 1, Clock::now());
        if (late) {
            ++cut_;
            fadeOut(voice, out, frameCount, masterVolume);
            retire(voice);
        } else if (mixVoice(voice, out, frameCount, masterVolume, buses)) {
            sounding_[--kept] = voice;
        } else {
            retire(voice);
        }
    }
    sounding_.erase(sounding_.begin(), sounding_.begin() + static_cast<std::ptrdiff_t>(kept));
}

// The voice's next frames, from where it was, under a gain falling from 1 to 0.
void VoicePool::fadeOut(AudioPlayer* voice, float* out, std::uint32_t frameCount, float masterVolume) {
    const std::uint32_t frames = std::min(frameCount, fadeFrames);
    float* scratch = fadeScratch_.data();
    std::fill(scratch, scratch + std::size_t{frames} * AudioBuffer::channels, 0.0f);
    voice->mixInto(scratch, frames, masterVolume);
    const float step = 1.0f / static_cast<float>(frames);
    for (std::uint32_t f = 0; f < frames; ++f) {
        const float gain = static_cast<float>(frames - 1 - f) * step;
        out[2 * f] += gain * scratch[2 * f];
        out[2 * f + 1] += gain * scratch[2 * f + 1];
    }
}

}  // namespace zaffo
