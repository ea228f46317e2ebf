#pragma once

// The heavy patch the real-time measurements play: a pack of stereo 44.1 kHz samples, one
// instrument on each, eight hits per loop at pitches from two octaves down to two octaves up.

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace zaffo::bench {

inline std::string makeTempFolder(const char* prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    return ::mkdtemp(pattern.data());
}

// A decaying tone of `seconds`, its pitch set by seed, written as 16-bit stereo WAV.
inline bool writeStereoSample(const std::string& path, double seconds, int seed) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const auto frames = static_cast<std::int64_t>(seconds * info.samplerate);
    std::vector<float> samples(static_cast<std::size_t>(frames) * 2);
    const double frequency = 55.0 * (1 + seed % 24);
    for (std::int64_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / info.samplerate;
        const auto value = static_cast<float>(0.3 * std::exp(-t) * std::sin(2 * M_PI * frequency * t));
        samples[2 * f] = value;
        samples[2 * f + 1] = -value;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const bool complete = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && complete;
}

inline std::string sampleName(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "s%d", index);
    return name;
}

// Writes `count` samples into base/samples/pack.
inline void writePack(const std::string& base, const std::string& pack, int count, double seconds) {
    const std::string folder = base + "/samples/" + pack;
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) writeStereoSample(folder + "/" + sampleName(i) + ".wav", seconds, i);
}

// The command lines that set up the patch: the tempo, then one instrument per sample, each
// with its eight pitches turned by its index.
inline std::vector<std::string> patchLines(int count) {
    static const int pitches[] = {-24, -12, -5, 0, 5, 7, 12, 24};
    std::vector<std::string> lines{"bpm 240"};
    for (int i = 0; i < count; ++i) {
        std::string line = sampleName(i);
        line += " 0.2 ";
        for (int s = 0; s < 8; ++s) line.append("#").append(std::to_string(pitches[(s + i) % 8]));
        lines.push_back(line);
    }
    return lines;
}

}  // namespace zaffo::bench
