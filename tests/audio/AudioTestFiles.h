#pragma once

#include "audio/AudioEngine.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <functional>

namespace zaffo::test {

using testing::TempFolder;

// Writes a sound file with libsndfile; sample(frame, channel) gives each value.
inline bool writeSoundFile(const std::string& path, int format, int rate, int channels, std::int64_t frames,
                           const std::function<float(std::int64_t frame, int channel)>& sample) {
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    std::vector<float> samples;
    for (std::int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) samples.push_back(sample(f, c));
    const bool complete = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && complete;
}

struct SoundFile {
    int rate = 0, channels = 0, format = 0;
    std::vector<float> samples;
    std::int64_t frames() const { return channels ? std::int64_t(samples.size()) / channels : 0; }
};

inline SoundFile readSoundFile(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    SoundFile read{info.samplerate, info.channels, info.format, std::vector<float>(info.frames * info.channels)};
    read.samples.resize(sf_readf_float(file, read.samples.data(), info.frames) * info.channels);
    sf_close(file);
    return read;
}

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

// Renders frames in periods of at most `period` frames and returns the output.
inline std::vector<float> render(AudioEngine& engine, std::uint32_t frames, std::uint32_t period = 512) {
    std::vector<float> out(std::size_t{frames} * 2);
    for (std::uint32_t at = 0; at < frames; at += period)
        engine.renderPeriod(out.data() + std::size_t{at} * 2, std::min(period, frames - at));
    return out;
}

}  // namespace zaffo::test
