#pragma once

#include "audio/AudioEngine.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

namespace zaffo::test {

using testing::TempFolder;

inline std::shared_ptr<AudioBuffer> constantBuffer(std::uint64_t frames, float left, float right) {
    std::vector<float> samples(frames * 2, left);
    for (std::uint64_t f = 0; f < frames; ++f) samples[2 * f + 1] = right;
    return std::make_shared<AudioBuffer>(std::move(samples));
}

// A sine on the left, its negation on the right.
inline std::shared_ptr<AudioBuffer> sineBuffer(std::uint64_t frames, double frequency, float amplitude) {
    std::vector<float> samples(frames * 2);
    for (std::uint64_t f = 0; f < frames; ++f) {
        samples[2 * f] = float(amplitude * std::sin(2 * M_PI * frequency * double(f) / engineSampleRate));
        samples[2 * f + 1] = -samples[2 * f];
    }
    return std::make_shared<AudioBuffer>(std::move(samples));
}

// What the engine hands a device (and a recording) in frames, period after period of at most
// `period` frames: the mix, limited, limiterDelayFrames late.
inline std::vector<float> deviceOutput(AudioEngine& engine, std::uint32_t frames, std::uint32_t period = 512) {
    std::vector<float> out(std::size_t{frames} * 2);
    for (std::uint32_t at = 0; at < frames; at += period)
        engine.renderPeriod(out.data() + std::size_t{at} * 2, std::min(period, frames - at));
    return out;
}

// The same without the delay: the first frame returned is the first that the voices played.
inline std::vector<float> render(AudioEngine& engine, std::uint32_t frames, std::uint32_t period = 512) {
    constexpr std::uint32_t delay = AudioEngine::limiterDelayFrames;
    std::vector<float> out = deviceOutput(engine, frames + delay, period);
    out.erase(out.begin(), out.begin() + std::ptrdiff_t{delay} * 2);
    return out;
}

}  // namespace zaffo::test
