#include "audio/OutputRateConverter.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/AudioBuffer.h"

namespace zaffo {
namespace {

constexpr std::uint32_t channels = AudioBuffer::channels;
// Cheap enough for every period; its pass band still reaches past 20 kHz at 44.1 kHz.
constexpr int outputConverter = SRC_SINC_FASTEST;

}  // namespace

std::uint32_t OutputRateConverter::engineRate() { return engineSampleRate; }

bool OutputRateConverter::valid(std::uint32_t outputRate) {
    return outputRate >= engineRate() / 4 && outputRate <= engineRate() * 4;
}

OutputRateConverter::OutputRateConverter(std::uint32_t outputRate)
    : outputRate_(outputRate), ratio_(static_cast<double>(outputRate) / engineRate()) {
    if (outputRate_ == engineRate()) return;
    int error = 0;
    state_ = src_new(outputConverter, channels, &error);
    const auto engineCapacity = static_cast<std::size_t>(std::ceil(maxPullFrames / ratio_)) + 1;
    engineFrames_.assign(engineCapacity * channels, 0.0f);
    // One pull's worth left over, one render's worth converted on top, and what the filter may let out at once.
    queue_.assign((2 * maxPullFrames + 2 * engineCapacity * 4) * channels, 0.0f);
}

OutputRateConverter::~OutputRateConverter() {
    if (state_) src_delete(state_);
}

void OutputRateConverter::pull(float* out, std::uint32_t frames, AudioDevice::Render render, void* user) {
    frames = std::min(frames, maxPullFrames);
    if (!state_) {
        render(user, out, frames);
        rendered_ += frames;
        pulled_ += frames;
        return;
    }
    while (queued_ < frames) {
        const auto wanted = static_cast<std::uint32_t>(std::ceil((frames - queued_) / ratio_));
        const auto engineFrames =
            std::clamp<std::uint32_t>(wanted, 1, static_cast<std::uint32_t>(engineFrames_.size() / channels));
        render(user, engineFrames_.data(), engineFrames);
        rendered_ += engineFrames;
        convert(engineFrames);
    }
    std::memcpy(out, queue_.data(), std::size_t{frames} * channels * sizeof(float));
    queued_ -= frames;
    std::memmove(queue_.data(), queue_.data() + std::size_t{frames} * channels,
                 std::size_t{queued_} * channels * sizeof(float));
    pulled_ += frames;
}

void OutputRateConverter::convert(std::uint32_t engineFrames) {
    SRC_DATA data{};
    data.data_in = engineFrames_.data();
    data.input_frames = engineFrames;
    data.src_ratio = ratio_;
    while (data.input_frames > 0) {
        const std::size_t room = queue_.size() / channels - queued_;
        data.data_out = queue_.data() + std::size_t{queued_} * channels;
        data.output_frames = static_cast<long>(room);
        if (room == 0 || src_process(state_, &data) != 0) return;  // nothing sensible left to do with the rest
        queued_ += static_cast<std::uint32_t>(data.output_frames_gen);
        data.data_in += data.input_frames_used * channels;
        data.input_frames -= data.input_frames_used;
        if (data.input_frames_used == 0 && data.output_frames_gen == 0) return;
    }
}

std::uint32_t OutputRateConverter::delayFrames(std::uint32_t outputRate, std::uint32_t pullFrames) {
    // A click rendered once the converter has settled, and the frame at which it comes out.
    struct Probe {
        OutputRateConverter converter;
        std::uint64_t renders = 0;
        std::uint64_t pulledAtClick = 0;
    } probe{OutputRateConverter(outputRate)};
    if (!probe.converter.ready()) return 0;
    constexpr std::uint64_t settlingRenders = 32;
    const AudioDevice::Render render = [](void* user, float* out, std::uint32_t frames) {
        auto* self = static_cast<Probe*>(user);
        std::fill(out, out + std::size_t{frames} * channels, 0.0f);
        if (self->renders++ != settlingRenders) return;
        out[0] = out[1] = 1.0f;
        self->pulledAtClick = self->converter.pulled_;
    };
    pullFrames = std::clamp<std::uint32_t>(pullFrames, 1, maxPullFrames);
    std::vector<float> out(std::size_t{pullFrames} * channels);
    std::uint64_t loudestAt = 0;
    float loudest = 0;
    for (std::uint64_t at = 0; probe.renders <= settlingRenders + 4; at += pullFrames) {
        probe.converter.pull(out.data(), pullFrames, render, &probe);
        for (std::uint32_t i = 0; i < pullFrames; ++i) {
            if (std::abs(out[std::size_t{i} * channels]) > loudest) {
                loudest = std::abs(out[std::size_t{i} * channels]);
                loudestAt = at + i;
            }
        }
    }
    if (loudestAt < probe.pulledAtClick) return 0;
    return static_cast<std::uint32_t>(std::lround((loudestAt - probe.pulledAtClick) / probe.converter.ratio_));
}

}  // namespace zaffo
