#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/AudioPlayer.h"

namespace zaffo {

// A fixed set of voices made up front, so that starting one (also on the audio thread)
// never allocates. When every voice sounds, starting another cuts off the oldest: a
// new hit matters more than the tail of an old one. Not thread-safe: the engine
// guards it with its lock.
class VoicePool {
public:
    explicit VoicePool(std::size_t capacity);

    // Returns false only when no voice exists at all (no converter could be made).
    bool start(std::shared_ptr<AudioBuffer> buffer, float volume, double ratio, std::uint32_t startFrame);

    // Mixes every sounding voice into out, in start order, and retires the finished ones.
    void mixInto(float* out, std::uint32_t frameCount, float masterVolume, float* scratch);

    void stopAll();
    std::size_t sounding() const { return sounding_.size(); }
    std::size_t capacity() const { return players_.size(); }

private:
    AudioPlayer* takeVoice();

    std::vector<std::unique_ptr<AudioPlayer>> players_;
    std::vector<AudioPlayer*> idle_;
    std::vector<AudioPlayer*> sounding_;
};

}  // namespace zaffo
