#include "audio/VoicePool.h"

#include <utility>

namespace zaffo {

VoicePool::VoicePool(std::size_t capacity) {
    players_.reserve(capacity);
    for (std::size_t i = 0; i < capacity; ++i) {
        auto player = std::make_unique<AudioPlayer>();
        if (player->ready())
            players_.push_back(std::move(player));
    }
    idle_.reserve(players_.size());
    sounding_.reserve(players_.size());
    for (auto& player : players_)
        idle_.push_back(player.get());
}

AudioPlayer* VoicePool::takeVoice() {
    if (!idle_.empty()) {
        AudioPlayer* voice = idle_.back();
        idle_.pop_back();
        return voice;
    }
    if (sounding_.empty())
        return nullptr;
    AudioPlayer* oldest = sounding_.front();
    sounding_.erase(sounding_.begin());
    oldest->release();
    return oldest;
}

bool VoicePool::start(std::shared_ptr<AudioBuffer> buffer, float volume, double ratio,
                      std::uint32_t startFrame) {
    AudioPlayer* voice = takeVoice();
    if (!voice)
        return false;
    voice->start(std::move(buffer), volume, ratio, startFrame);
    sounding_.push_back(voice);
    return true;
}

void VoicePool::mixInto(float* out, std::uint32_t frameCount, float masterVolume, float* scratch) {
    std::size_t kept = 0;
    for (AudioPlayer* voice : sounding_) {
        if (voice->mixInto(out, frameCount, masterVolume, scratch)) {
            sounding_[kept++] = voice;
        } else {
            voice->release();
            idle_.push_back(voice);
        }
    }
    sounding_.resize(kept);
}

void VoicePool::stopAll() {
    for (AudioPlayer* voice : sounding_) {
        voice->release();
        idle_.push_back(voice);
    }
    sounding_.clear();
}

}  // namespace zaffo
