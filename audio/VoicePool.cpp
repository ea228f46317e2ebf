#include "audio/VoicePool.h"

#include "PitchFilter.h"

#include <algorithm>
#include <utility>

namespace zaffo {

VoicePool::VoicePool(std::size_t capacity) : players_(capacity), released_(2 * capacity) {
    idle_.reserve(capacity);
    sounding_.reserve(capacity);
    parked_.reserve(capacity);
    for (AudioPlayer& player : players_) idle_.push_back(&player);
    // The pitch kernels are made here, before any voice on the audio thread needs them.
    PitchFilter::forStep(1.0);
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

bool VoicePool::start(std::shared_ptr<AudioBuffer> buffer, float volume, double ratio, std::uint32_t startFrame) {
    AudioPlayer* voice = takeVoice();
    if (!voice) {
        released_.push(buffer);
        return false;
    }
    voice->start(std::move(buffer), volume, ratio, startFrame);
    sounding_.push_back(voice);
    return true;
}

void VoicePool::mixInto(float* out, std::uint32_t frameCount, float masterVolume, Clock::time_point deadline) {
    handOverParked();
    // Survivors are packed towards the back, so that they keep their order.
    std::size_t kept = sounding_.size();
    bool late = false;
    for (std::size_t i = sounding_.size(); i-- > 0;) {
        AudioPlayer* voice = sounding_[i];
        const std::size_t mixed = sounding_.size() - 1 - i;
        if (!late && mixed > 0 && mixed % voicesPerClockCheck == 0) late = Clock::now() > deadline;
        if (late) {
            ++cut_;
            retire(voice);
        } else if (voice->mixInto(out, frameCount, masterVolume)) {
            sounding_[--kept] = voice;
        } else {
            retire(voice);
        }
    }
    sounding_.erase(sounding_.begin(), sounding_.begin() + static_cast<std::ptrdiff_t>(kept));
}

}  // namespace zaffo
