#pragma once

#include <sndfile.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zaffo::test {

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

}  // namespace zaffo::test
