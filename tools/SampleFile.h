#pragma once

#include "tools/Dsp.h"

#include <optional>
#include <string>

namespace zaffo::packgen {

// -1 dBFS: loud, with room left for the decoder's resampling to overshoot.
constexpr double kTargetPeak = 0.8912509;

constexpr double kFadeInSeconds = 0.0005;
constexpr double kFadeOutSeconds = 0.015;

// Levels a hit to kTargetPeak and fades both ends, so it starts without a step and ends in
// silence instead of a click.
void finishHit(Signal& hit);

// Mono 16-bit WAV.
bool writeWav(const std::string& path, const Signal& hit);

// MP3, its level set so that the decoded peak, not the source's, lands at kTargetPeak.
bool writeMp3(const std::string& path, const Signal& hit);

struct Decoded {
    int rate = 0;
    int channels = 0;
    Signal firstChannel;
};

// Whatever libsndfile decodes; empty when it cannot read the file.
std::optional<Decoded> decode(const std::string& path);

float peakOf(const Signal& signal);

}  // namespace zaffo::packgen
