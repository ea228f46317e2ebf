#include "PitchFilter.h"

#include "RateConverter.h"

#include "audio/AudioBuffer.h"
#include "audio/AudioPlayer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zaffo {
namespace {

constexpr double attenuationDb = 110;
// Kernels for material that ends well below the Nyquist frequency have wide transitions, where
// Kaiser's estimate of the taps falls short of its aim: they are designed this deep to keep 110 dB.
constexpr double bandLimitedAttenuationDb = 130;
constexpr double audibleBand = 20000;
constexpr double outputNyquist = engineSampleRate / 2.0;
// Shifted down, the full-rate frames pass up to here; what lies above it is too close to its own
// images to part from them with a short kernel (and is beyond hearing before the shift).
constexpr double fullRatePassband = 40000;
// Shifted down so far that the images of the frames' top would land within hearing, the stopband
// begins at their Nyquist frequency and the passband ends here: what lies between fades rather
// than comes back as an image.
constexpr double deepShiftPassband = 32000;
constexpr int maxShift = 24;
// Material from sources at 48 kHz or below holds nothing above this.
constexpr double narrowBand = 24000;

double besselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 50 && term > 1e-12 * sum; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

struct Design {
    int level = 0;
    int taps = PitchFilter::maxTaps;
    double cutoff = 0.25;  // cycles per frame of the level
    double kaiserBeta = 0.1102 * (attenuationDb - 8.7);
};

// The passband ends at 20 kHz after the shift, or where the material (holding nothing above
// `content`) ends. The stopband begins where the level's content would fold back over the output's
// Nyquist frequency or, if it holds nothing that high, at the first image: of all the material
// where it ends below the level's Nyquist frequency, else of the passband. The images of what lies
// above the passband are then only partly removed: they land above 20 kHz, except in shifts down
// by more than 15 semitones, which stop everything at the Nyquist frequency instead. Kaiser's
// estimate gives the taps for the width between them.
Design designFor(double step, double content) {
    Design best;
    for (int level = 0; level < AudioBuffer::levels; ++level) {
        const double rate = static_cast<double>(engineSampleRate) / (1 << level);
        const double top = std::min(content, rate / 2);
        const bool bandLimited = top < rate / 2;
        double pass = std::min(audibleBand / step, top);
        if (level == 0) {
            pass = std::min(pass, fullRatePassband);
        } else if (pass > copyPassband * rate / 2) {
            continue;
        }
        const double folds = outputNyquist / step;
        double stop = folds < top ? folds : rate - (bandLimited ? top : pass);
        if (!bandLimited && level == 0 && rate / 2 * step < audibleBand) {
            pass = deepShiftPassband;
            stop = rate / 2;
        }
        const double width = (stop - pass) / rate;
        const double db = bandLimited ? bandLimitedAttenuationDb : attenuationDb;
        int taps = static_cast<int>(std::ceil((db - 8) / (2.285 * 2 * M_PI * width))) + 1;
        taps = (taps + 3) / 4 * 4;
        if (taps <= best.taps) best = {level, taps, (pass + stop) / 2 / rate, 0.1102 * (db - 8.7)};
    }
    return best;
}

}  // namespace

PitchFilter::PitchFilter(double step, double content) {
    const Design design = designFor(step, content);
    level_ = design.level;
    taps_ = design.taps;
    const int groups = (taps_ + 7) / 8;
    stride_ = 16 * groups;
    const int half = taps_ / 2;
    const double windowPeak = besselI0(design.kaiserBeta);
    std::vector<float> weights(std::size_t{phases + 1} * taps_);
    std::vector<double> row(taps_);
    for (std::uint32_t phase = 0; phase <= phases; ++phase) {
        const double fraction = static_cast<double>(phase) / phases;
        double sum = 0;
        for (int m = 0; m < taps_; ++m) {
            const double distance = fraction + half - 1 - m;
            const double x = 2 * design.cutoff * distance;
            const double sinc = x == 0 ? 1 : std::sin(M_PI * x) / (M_PI * x);
            const double edge = distance / (half + 0.5);
            const double window = besselI0(design.kaiserBeta * std::sqrt(std::max(0.0, 1 - edge * edge))) / windowPeak;
            row[m] = sinc * window;
            sum += row[m];
        }
        // Every row sums to one: a constant keeps its level exactly, whatever the phase.
        for (int m = 0; m < taps_; ++m) weights[phase * taps_ + m] = static_cast<float>(row[m] / sum);
    }
    table_.resize(std::size_t{phases} * groups);
    constexpr int place[8] = {0, 1, 4, 5, 2, 3, 6, 7};
    for (std::uint32_t phase = 0; phase < phases; ++phase) {
        for (int m = 0; m < taps_; ++m) {
            const float weight = weights[phase * taps_ + m], next = weights[(phase + 1) * taps_ + m];
            float* group = table_[std::size_t{phase} * groups + m / 8].floats;
            group[place[m % 8]] = weight;
            group[8 + place[m % 8]] = std::ldexp(next - weight, phaseBits - positionFractionBits);
        }
    }
}

const PitchFilter& PitchFilter::forStep(double step, double bandwidth) {
    // One set for material that may fill the engine's band, one for material from sources at
    // 48 kHz or below, whose shifts down need far shorter kernels.
    static const auto filters = [] {
        std::array<std::vector<PitchFilter>, 2> made;
        for (int narrow = 0; narrow < 2; ++narrow) {
            made[narrow].reserve(2 * maxShift + 1);
            for (int shift = -maxShift; shift <= maxShift; ++shift)
                made[narrow].emplace_back(1 / pitchRatio(shift), narrow ? narrowBand : outputNyquist);
        }
        return made;
    }();
    const auto shift =
        static_cast<std::size_t>(std::clamp<long>(std::lround(12 * std::log2(step)), -maxShift, maxShift) + maxShift);
    return filters[bandwidth <= narrowBand][shift];
}

}  // namespace zaffo
