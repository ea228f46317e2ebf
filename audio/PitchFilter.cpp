#include "PitchFilter.h"

#include "MinimaxLowpass.h"
#include "RateConverter.h"

#include "audio/AudioBuffer.h"
#include "audio/AudioPlayer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>

namespace zaffo {

struct PitchFilter::Design {
    int level = 0;
    int taps = PitchFilter::maxTaps;
    double pass = 0.2, stop = 0.8;  // cycles per frame of the level
};

namespace {

using Design = PitchFilter::Design;

// What the kernels hold to: images and folds 110 dB down (with a margin for the steps below), the
// passband flat to 0.003 (0.026 dB).
constexpr double stopRipple = 2.5e-6;
constexpr double passRipple = 0.003;
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
// The kernel is designed at this many points per frame; a spline gives the phases between them.
constexpr int designPoints = 8;

// Herrmann's estimate of the taps a minimax lowpass needs for a transition `width` wide (cycles per
// frame), as whole frames of a kernel designed at designPoints per frame, in fours.
int estimatedTaps(double width) {
    const double p = std::log10(passRipple), s = std::log10(stopRipple);
    const double d = (0.005309 * p * p + 0.07114 * p - 0.4761) * s - (0.00266 * p * p + 0.5941 * p + 0.4278);
    const double f = 11.01217 + 0.51244 * (p - s);
    const double step = width / designPoints, points = d / step - f * step + 1;
    const int taps = static_cast<int>(std::ceil((points - 1) / designPoints)) + 1;
    return std::max(8, (taps + 3) / 4 * 4);
}

// The passband ends at 20 kHz after the shift, or where the material (holding nothing above
// `content`) ends. The stopband begins where the level's content would fold back over the output's
// Nyquist frequency or, if it holds nothing that high, at the first image: of all the material
// where it ends below the level's Nyquist frequency, else of the passband. The images of what lies
// above the passband are then only partly removed: they land above 20 kHz, except in shifts down
// by more than 15 semitones, which stop everything at the Nyquist frequency instead. The level
// whose kernel is estimated shortest is read.
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
        const int taps = estimatedTaps((stop - pass) / rate);
        if (taps <= best.taps) best = {level, taps, pass / rate, stop / rate};
    }
    return best;
}

// The quintic B-spline through a kernel's points (designPoints per frame, centred), which gives it
// at any distance from its centre. Its images of the points' spectrum lie some 150 dB down.
class SplineKernel {
public:
    explicit SplineKernel(const std::vector<double>& points) : coefficients_(points.size() + 2 * padding, 0.0) {
        std::copy(points.begin(), points.end(), coefficients_.begin() + padding);
        centre_ = padding + static_cast<double>(points.size() - 1) / 2;
        // The interpolating spline's coefficients: the points through the inverse of the
        // spline's own sampled values, as two causal and anticausal first-order passes.
        constexpr double poles[] = {-0.43057534709997379, -0.043096288203264652};
        for (double& c : coefficients_) c *= 120;
        const std::size_t n = coefficients_.size();
        for (const double z : poles) {
            for (std::size_t k = 1; k < n; ++k) coefficients_[k] += z * coefficients_[k - 1];
            coefficients_[n - 1] *= z / (z * z - 1);
            for (std::size_t k = n - 1; k-- > 0;) coefficients_[k] = z * (coefficients_[k + 1] - coefficients_[k]);
        }
    }

    double at(double frames) const {
        const double u = centre_ + frames * designPoints;
        const auto first = static_cast<long>(std::floor(u)) - 2;
        double sum = 0;
        for (long k = std::max(first, 0L); k <= first + 5 && k < static_cast<long>(coefficients_.size()); ++k)
            sum += coefficients_[static_cast<std::size_t>(k)] * basis(u - static_cast<double>(k));
        return sum;
    }

private:
    // Zeros on either side, far enough for the coefficients to fade out within them.
    static constexpr std::size_t padding = 24;

    static double basis(double x) {
        const auto fifth = [](double y) { return y * y * y * y * y; };
        const double a = std::abs(x);
        if (a >= 3) return 0;
        double value = fifth(3 - a);
        if (a < 2) value -= 6 * fifth(2 - a);
        if (a < 1) value += 15 * fifth(1 - a);
        return value / 120;
    }

    std::vector<double> coefficients_;
    double centre_ = 0;
};

// The minimax kernel for the design, over taps - 1 frames (the spline reaches a little further),
// at the shortest length in fours from the estimate up that meets the ripples. Every shift's
// design meets them well within the longest; were one not to, the spline of a single point, a
// soft short kernel, would serve rather than none.
SplineKernel kernelFor(Design& design) {
    for (;; design.taps += 4) {
        const int half = (design.taps - 1) * designPoints / 2;
        auto points =
            minimaxLowpass(half, design.pass / designPoints, design.stop / designPoints, passRipple, stopRipple);
        if (points || design.taps >= PitchFilter::maxTaps)
            return SplineKernel(points.value_or(std::vector<double>(1, 1.0)));
    }
}

}  // namespace

PitchFilter::PitchFilter(Design design) {
    const SplineKernel kernel = kernelFor(design);
    level_ = design.level;
    taps_ = design.taps;
    const int groups = (taps_ + 7) / 8;
    stride_ = 16 * groups;
    const int half = taps_ / 2;
    std::vector<float> weights(std::size_t{phases + 1} * taps_);
    std::vector<double> row(taps_);
    for (std::uint32_t phase = 0; phase <= phases; ++phase) {
        const double fraction = static_cast<double>(phase) / phases;
        double sum = 0;
        for (int m = 0; m < taps_; ++m) {
            row[m] = kernel.at(fraction + half - 1 - m);
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
            group[8 + place[m % 8]] = std::ldexp(next - weight, phaseBits - AudioPlayer::fractionBits);
        }
    }
}

const PitchFilter& PitchFilter::forStep(double step, double bandwidth) {
    // One set for material that may fill the engine's band, one for material from sources at
    // 48 kHz or below, whose shifts down need far shorter kernels.
    static const auto filters = [] {
        std::array<std::vector<PitchFilter>, 2> made;
        for (auto& set : made) set.reserve(2 * maxShift + 1);
        // Shifts whose designs come out alike (all those that stop at a Nyquist frequency, say)
        // share one kernel, made once.
        std::map<std::tuple<int, double, double>, const PitchFilter*> designed;
        for (int narrow = 0; narrow < 2; ++narrow) {
            for (int shift = -maxShift; shift <= maxShift; ++shift) {
                const Design design = designFor(1 / pitchRatio(shift), narrow ? narrowBand : outputNyquist);
                const auto key = std::tuple(design.level, design.pass, design.stop);
                if (const auto same = designed.find(key); same != designed.end())
                    made[narrow].push_back(*same->second);
                else
                    designed[key] = &made[narrow].emplace_back(PitchFilter(design));
            }
        }
        return made;
    }();
    const auto shift =
        static_cast<std::size_t>(std::clamp<long>(std::lround(12 * std::log2(step)), -maxShift, maxShift) + maxShift);
    return filters[bandwidth <= narrowBand][shift];
}

}  // namespace zaffo
