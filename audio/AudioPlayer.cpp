#include "audio/AudioPlayer.h"

#include <samplerate.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace zaffo {
namespace {

constexpr double maxConverterRatio = 256.0;

void addScaled(float* out, const float* in, std::uint64_t samples, float gain) {
    for (std::uint64_t i = 0; i < samples; ++i)
        out[i] += gain * in[i];
}

}  // namespace

double pitchRatio(int pitch) {
    const double rate = std::trunc(engineSampleRate * std::exp2(-static_cast<double>(pitch) / 12.0));
    const double ratio = std::max(rate, 1.0) / engineSampleRate;
    return std::clamp(ratio, 1.0 / maxConverterRatio, maxConverterRatio);
}

AudioPlayer::AudioPlayer() {
    int error = 0;
    converter_ = src_new(SRC_LINEAR, AudioBuffer::channels, &error);
}

AudioPlayer::~AudioPlayer() {
    if (converter_)
        src_delete(converter_);
}

void AudioPlayer::start(std::shared_ptr<AudioBuffer> buffer, float volume, double ratio,
                        std::uint32_t startFrame) {
    buffer_ = std::move(buffer);
    cursor_ = 0;
    volume_ = volume;
    ratio_ = ratio;
    startFrame_ = startFrame;
    src_reset(converter_);
}

bool AudioPlayer::mixInto(float* out, std::uint32_t frameCount, float masterVolume, float* scratch) {
    if (!buffer_)
        return false;
    // A start frame beyond this period waits for a later one.
    if (startFrame_ >= frameCount) {
        startFrame_ -= frameCount;
        return true;
    }
    out += std::size_t{startFrame_} * AudioBuffer::channels;
    const std::uint32_t frames = frameCount - startFrame_;
    startFrame_ = 0;
    const float gain = volume_ * masterVolume;
    // Unshifted voices skip the converter: exact, and much cheaper. libsamplerate's
    // linear converter also misreads an input of a single frame.
    const bool direct = ratio_ == 1.0 || buffer_->frameCount() < 2;
    const bool alive = direct ? mixDirect(out, frames, gain) : mixConverted(out, frames, gain, scratch);
    return alive && cursor_ < buffer_->frameCount();
}

bool AudioPlayer::mixDirect(float* out, std::uint32_t frames, float gain) {
    const std::uint64_t n = std::min<std::uint64_t>(frames, buffer_->frameCount() - cursor_);
    addScaled(out, buffer_->data() + cursor_ * AudioBuffer::channels, n * AudioBuffer::channels, gain);
    cursor_ += n;
    return true;
}

bool AudioPlayer::mixConverted(float* out, std::uint32_t frames, float gain, float* scratch) {
    const std::uint64_t remaining = buffer_->frameCount() - cursor_;
    SRC_DATA data{};
    data.data_in = buffer_->data() + cursor_ * AudioBuffer::channels;
    data.input_frames = static_cast<long>(std::min<std::uint64_t>(remaining, LONG_MAX));
    data.data_out = scratch;
    data.output_frames = frames;
    data.src_ratio = ratio_;
    data.end_of_input = 0;
    if (src_process(converter_, &data) != 0)
        return false;
    // A converter that neither takes nor gives anything would hold the voice forever.
    if (data.input_frames_used == 0 && data.output_frames_gen == 0)
        return false;
    addScaled(out, scratch, static_cast<std::uint64_t>(data.output_frames_gen) * AudioBuffer::channels, gain);
    cursor_ += static_cast<std::uint64_t>(data.input_frames_used);
    return true;
}

}  // namespace zaffo
