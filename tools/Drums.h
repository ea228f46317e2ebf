#pragma once

#include "tools/Dsp.h"

namespace zaffo::packgen {

// Each voice returns a mono hit at kRate, not yet levelled or faded (see finishHit).

struct KickSettings {
    double startHz, endHz, sweepSeconds, decaySeconds, lengthSeconds, click, drive;
};
Signal kick(const KickSettings& s);

struct SnareSettings {
    double toneHz, toneDecay, tone, noiseDecay, noiseCentreHz, lengthSeconds;
};
Signal snare(const SnareSettings& s);

// Six detuned squares through a band-pass: the classic metallic hat.
struct HatSettings {
    double pitch, decaySeconds, lengthSeconds, centreHz;
};
Signal hat(const HatSettings& s);

struct ClapSettings {
    double centreHz, tailDecay, lengthSeconds;
    unsigned seed;
};
Signal clap(const ClapSettings& s);

// A mallet tone with one inharmonic partial: it stays in tune when shifted by semitones.
struct PercSettings {
    double pitchHz, partialRatio, partial, decaySeconds, lengthSeconds;
};
Signal perc(const PercSettings& s);

struct TomSettings {
    double startHz, endHz, decaySeconds, lengthSeconds;
};
Signal tom(const TomSettings& s);

Signal rim(double lengthSeconds);
Signal cowbell(double lengthSeconds);
Signal shaker(double lengthSeconds);
Signal zap(double startHz, double endHz, double lengthSeconds);

}  // namespace zaffo::packgen
