#include "audio/AudioPlayer.h"

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
    position_ += step_ == wholeFrame ? mixDirect(out, frames, gain) : mixInterpolated(out, frames, gain);
    return position_ < frameCount_ * wholeFrame;
}

std::uint64_t AudioPlayer::mixDirect(float* out, std::uint32_t frames, float gain) {
    const std::uint64_t at = position_ >> fractionBits;
    const std::uint64_t n = std::min<std::uint64_t>(frames, frameCount_ - std::min(at, frameCount_));
    const float* in = buffer_->data() + at * AudioBuffer::channels;
    for (std::uint64_t i = 0; i < n * AudioBuffer::channels; ++i) out[i] += gain * in[i];
    return n * wholeFrame;
}

// Between two frames the output is the straight line from one to the next; the last frame is
// held for its own span, so a voice lasts its input's length divided by the step.
std::uint64_t AudioPlayer::mixInterpolated(float* out, std::uint32_t frames, float gain) {
    const float* in = buffer_->data();
    const std::uint64_t lastFrame = (frameCount_ - 1) * wholeFrame;
    std::uint64_t position = position_;
    std::uint32_t i = 0;
    if (position < lastFrame) {
        const std::uint64_t between = (lastFrame - position + step_ - 1) / step_;
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, between));
        constexpr float fractionScale = 1.0f / (1 << 24);
        for (; i < n; ++i, position += step_) {
            const float* frame = in + (position >> fractionBits) * 2;
            // The fraction's top 24 bits are all a float holds.
            const float t = static_cast<float>(static_cast<std::int32_t>((position >> 8) & 0xffffff)) * fractionScale;
            out[2 * i] += gain * (frame[0] + t * (frame[2] - frame[0]));
            out[2 * i + 1] += gain * (frame[1] + t * (frame[3] - frame[1]));
        }
    }
    const float* last = in + (frameCount_ - 1) * 2;
    for (; i < frames && position < frameCount_ * wholeFrame; ++i, position += step_) {
        out[2 * i] += gain * last[0];
        out[2 * i + 1] += gain * last[1];
    }
    return position - position_;
}

}  // namespace zaffo
