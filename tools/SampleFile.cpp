#include "tools/SampleFile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <sndfile.h>

namespace zaffo::packgen {
namespace {

void fadeEdges(Signal& hit) {
    const std::size_t in = std::min(framesFor(kFadeInSeconds), hit.size());
    for (std::size_t i = 0; i < in; ++i) {
        hit[i] *= static_cast<float>(i) / static_cast<float>(in);
    }
    const std::size_t out = std::min(framesFor(kFadeOutSeconds), hit.size() / 4);
    for (std::size_t i = 0; i < out; ++i) {
        // Raised cosine from 1 down to exactly 0 on the last frame.
        const double x = static_cast<double>(i) / static_cast<double>(out - 1);
        hit[hit.size() - out + i] *= static_cast<float>(0.5 + 0.5 * std::cos(std::numbers::pi * x));
    }
}

void scale(Signal& signal, double gain) {
    for (float& s : signal) {
        s = static_cast<float>(s * gain);
    }
}

// One channel of float samples written in the given format.
bool writeMono(const std::string& path, int format, const Signal& signal) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    const auto frames = static_cast<sf_count_t>(signal.size());
    const sf_count_t written = sf_writef_float(file, signal.data(), frames);
    return sf_close(file) == 0 && written == frames;
}

bool writeMp3Once(const std::string& path, const Signal& hit, double gain) {
    Signal scaled = hit;
    scale(scaled, gain);
    return writeMono(path, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, scaled);
}

}  // namespace

float peakOf(const Signal& signal) {
    float peak = 0.0f;
    for (float s : signal) {
        peak = std::max(peak, std::fabs(s));
    }
    return peak;
}

void finishHit(Signal& hit) {
    fadeEdges(hit);
    const float peak = peakOf(hit);
    if (peak > 0.0f) {
        scale(hit, kTargetPeak / peak);
    }
}

bool writeWav(const std::string& path, const Signal& hit) {
    return writeMono(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, hit);
}

bool writeMp3(const std::string& path, const Signal& hit) {
    // The encoder moves the peak of a sharp attack, and not in proportion to the level, so the
    // level is corrected from the decoded peak until it sits close to the target.
    double gain = 1.0;
    for (int pass = 0; pass < 4; ++pass) {
        if (!writeMp3Once(path, hit, gain)) {
            return false;
        }
        auto decoded = decode(path);
        const float peak = decoded ? peakOf(decoded->firstChannel) : 0.0f;
        if (peak <= 0.0f) {
            return false;
        }
        if (std::fabs(std::log10(peak / kTargetPeak)) < 0.01) {  // within 0.2 dB
            return true;
        }
        gain *= kTargetPeak / peak;
    }
    return writeMp3Once(path, hit, gain);
}

std::optional<Decoded> decode(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return std::nullopt;
    }
    std::vector<float> frames(static_cast<std::size_t>(info.frames) * info.channels);
    const sf_count_t read = sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    Decoded decoded{info.samplerate, info.channels, {}};
    for (sf_count_t i = 0; i < read; ++i) {
        decoded.firstChannel.push_back(frames[static_cast<std::size_t>(i * info.channels)]);
    }
    return decoded;
}

}  // namespace zaffo::packgen
