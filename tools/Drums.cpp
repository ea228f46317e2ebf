#include "tools/Drums.h"

#include <cmath>
#include <numbers>

namespace zaffo::packgen {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double decay(double t, double seconds) { return std::exp(-t / seconds); }

// A falling pitch, integrated into a phase; the sine starts at zero, so the hit starts clean.
Signal sweptSine(double startHz, double endHz, double sweepSeconds, double decaySeconds, double lengthSeconds) {
    Signal out(framesFor(lengthSeconds));
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = timeAt(i);
        const double hz = endHz + (startHz - endHz) * decay(t, sweepSeconds);
        out[i] = static_cast<float>(std::sin(phase) * decay(t, decaySeconds));
        phase += kTwoPi * hz / kRate;
    }
    return out;
}

void addNoise(Signal& out, Biquad filter, double level, double decaySeconds, unsigned seed) {
    Noise noise(seed);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double env = decay(timeAt(i), decaySeconds);
        out[i] += static_cast<float>(level * env * filter.process(noise.next()));
    }
}

}  // namespace

Signal kick(const KickSettings& s) {
    Signal out = sweptSine(s.startHz, s.endHz, s.sweepSeconds, s.decaySeconds, s.lengthSeconds);
    addNoise(out, Biquad::bandpass(3000.0, 0.7), s.click, 0.004, 11);
    drive(out, s.drive);
    return out;
}

Signal snare(const SnareSettings& s) {
    Signal out(framesFor(s.lengthSeconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = timeAt(i);
        const double body = std::sin(kTwoPi * s.toneHz * t) + 0.5 * std::sin(kTwoPi * 1.78 * s.toneHz * t);
        out[i] = static_cast<float>(s.tone * body * decay(t, s.toneDecay));
    }
    addNoise(out, Biquad::bandpass(s.noiseCentreHz, 0.6), 1.6, s.noiseDecay, 23);
    return out;
}

Signal hat(const HatSettings& s) {
    static constexpr double kPartials[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    Signal out(framesFor(s.lengthSeconds));
    Biquad band = Biquad::bandpass(s.centreHz, 1.2);
    Biquad high = Biquad::highpass(6000.0, 0.7);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = timeAt(i);
        double metal = 0.0;
        for (double partial : kPartials) {
            const double hz = partial * s.pitch;
            metal += softSquare(std::fmod(kTwoPi * hz * t, kTwoPi), hz);
        }
        const float filtered = high.process(band.process(static_cast<float>(metal / 6.0)));
        out[i] = static_cast<float>(filtered * decay(t, s.decaySeconds));
    }
    addNoise(out, Biquad::highpass(8000.0, 0.7), 0.3, s.decaySeconds, 37);
    return out;
}

Signal clap(const ClapSettings& s) {
    Signal out(framesFor(s.lengthSeconds));
    Biquad band = Biquad::bandpass(s.centreHz, 1.4);
    Noise noise(s.seed);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = timeAt(i);
        // Three quick slaps of hands, then the room.
        double env = 0.0;
        for (double start : {0.0, 0.011, 0.022}) {
            if (t >= start) {
                env = std::max(env, decay(t - start, 0.005));
            }
        }
        if (t >= 0.03) {
            env = std::max(env, 0.6 * decay(t - 0.03, s.tailDecay));
        }
        out[i] = static_cast<float>(env * band.process(noise.next()));
    }
    return out;
}

Signal perc(const PercSettings& s) {
    Signal out(framesFor(s.lengthSeconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = timeAt(i);
        const double partial =
            s.partial * std::sin(kTwoPi * s.partialRatio * s.pitchHz * t) * decay(t, s.decaySeconds / 6.0);
        out[i] = static_cast<float>((std::sin(kTwoPi * s.pitchHz * t) + partial) * decay(t, s.decaySeconds));
    }
    return out;
}

Signal tom(const TomSettings& s) {
    Signal out = sweptSine(s.startHz, s.endHz, 0.08, s.decaySeconds, s.lengthSeconds);
    addNoise(out, Biquad::bandpass(1200.0, 0.8), 0.15, 0.01, 41);
    return out;
}

Signal rim(double lengthSeconds) {
    Signal out(framesFor(lengthSeconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = timeAt(i);
        out[i] = static_cast<float>(0.7 * std::sin(kTwoPi * 1650.0 * t) * decay(t, 0.012) +
                                    0.5 * std::sin(kTwoPi * 480.0 * t) * decay(t, 0.02));
    }
    addNoise(out, Biquad::bandpass(2600.0, 1.0), 0.8, 0.006, 53);
    return out;
}

Signal cowbell(double lengthSeconds) {
    Signal out(framesFor(lengthSeconds));
    Biquad band = Biquad::bandpass(900.0, 1.5);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = timeAt(i);
        const double tone = softSquare(std::fmod(kTwoPi * 540.0 * t, kTwoPi), 540.0) +
                            softSquare(std::fmod(kTwoPi * 800.0 * t, kTwoPi), 800.0);
        const double env = 0.6 * decay(t, 0.018) + 0.4 * decay(t, 0.14);
        out[i] = static_cast<float>(env * band.process(static_cast<float>(tone)));
    }
    return out;
}

Signal shaker(double lengthSeconds) {
    Signal out(framesFor(lengthSeconds));
    Biquad high = Biquad::highpass(5500.0, 0.8);
    Noise noise(67);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = timeAt(i);
        // Beads need a moment to gather speed: a soft swell instead of a hard hit.
        const double env = (1.0 - decay(t, 0.012)) * decay(t, 0.05);
        out[i] = static_cast<float>(env * high.process(noise.next()));
    }
    return out;
}

Signal zap(double startHz, double endHz, double lengthSeconds) {
    return sweptSine(startHz, endHz, 0.03, lengthSeconds / 3.0, lengthSeconds);
}

}  // namespace zaffo::packgen
