#include "audio/AudioPlayer.h"

#include "FilteredMix.h"
#include "PitchFilter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace zaffo {

double pitchRatio(int pitch) {
    const double rate = std::trunc(engineSampleRate * std::exp2(-static_cast<double>(pitch) / 12.0));
    constexpr double maxRate = std::numeric_limits<std::uint32_t>::max();
    return std::clamp(rate, 1.0, maxRate) / engineSampleRate;
}

void AudioPlayer::start(std::shared_ptr<AudioBuffer> buffer, float volume, double ratio, std::uint32_t startFrame) {
    buffer_ = std::move(buffer);
    // Positions past 2^32 frames (12 hours) cannot be held; nothing that long is loaded.
    frameCount_ = std::min<std::uint64_t>(buffer_ ? buffer_->frameCount() : 0, wholeFrame - 1);
    position_ = 0;
    step_ = std::max<std::uint64_t>(std::llround(static_cast<double>(wholeFrame) / ratio), 1);
    filter_ = step_ == wholeFrame ? nullptr : &PitchFilter::forStep(1 / ratio, buffer_->bandwidth());
    volume_ = volume;
    startFrame_ = startFrame;
}

bool AudioPlayer::mixInto(float* out, std::uint32_t frameCount, float masterVolume) {
    if (frameCount_ == 0) return false;
    // A start frame beyond this period waits for a later one.
    if (startFrame_ >= frameCount) {
        startFrame_ -= frameCount;
        return true;
    }
    out += std::size_t{startFrame_} * AudioBuffer::channels;
    const std::uint32_t frames = frameCount - startFrame_;
    startFrame_ = 0;
    const float gain = volume_ * masterVolume;
    // Unshifted voices add their frames as they are: exact, and cheapest.
    position_ += step_ == wholeFrame ? mixDirect(out, frames, gain) : mixFiltered(out, frames, gain);
    return position_ < frameCount_ * wholeFrame;
}

std::uint64_t AudioPlayer::mixDirect(float* out, std::uint32_t frames, float gain) {
    const std::uint64_t at = position_ >> fractionBits;
    const std::uint64_t n = std::min<std::uint64_t>(frames, frameCount_ - std::min(at, frameCount_));
    const float* in = buffer_->data() + at * AudioBuffer::channels;
    for (std::uint64_t i = 0; i < n * AudioBuffer::channels; ++i) out[i] += gain * in[i];
    return n * wholeFrame;
}

std::uint64_t AudioPlayer::mixFiltered(float* out, std::uint32_t frames, float gain) {
    const int level = filter_->level();
    const FilteredRead read{buffer_->data(level),
                            static_cast<std::int64_t>(buffer_->frameCount(level)),
                            level,
                            filter_->taps(),
                            filter_->stride(),
                            filter_->row(0)};
    return mixThroughFilter(out, frames, gain, position_, step_, frameCount_ * wholeFrame, read);
}

}  // namespace zaffo
