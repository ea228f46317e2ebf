#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zaffo::packgen {

constexpr int kRate = 44100;

using Signal = std::vector<float>;

inline std::size_t framesFor(double seconds) { return static_cast<std::size_t>(seconds * kRate); }

inline double timeAt(std::size_t frame) { return static_cast<double>(frame) / kRate; }

// White noise from a fixed seed, so every build synthesises the same sounds.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
    float next();

private:
    std::uint32_t state_;
};

class OnePoleLowpass {
public:
    explicit OnePoleLowpass(double cutoffHz);
    float process(float x);

private:
    double a_;
    double y_ = 0;
};

// A second-order section from the well-known cookbook formulas.
class Biquad {
public:
    static Biquad bandpass(double centreHz, double q);
    static Biquad highpass(double cutoffHz, double q);
    float process(float x);

private:
    Biquad(double b0, double b1, double b2, double a1, double a2);
    double b0_, b1_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A square wave built from its odd harmonics below 18 kHz, so that it does not alias.
double softSquare(double phase, double frequencyHz);

// Saturation that keeps small signals as they are and rounds off the loud ones.
void drive(Signal& signal, double amount);

// Coarser amplitude steps and a held sample every `hold` frames: the grit of an old sampler.
void crunch(Signal& signal, int bits, int hold);

}  // namespace zaffo::packgen
