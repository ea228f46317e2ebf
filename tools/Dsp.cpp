#include "tools/Dsp.h"

#include <cmath>
#include <numbers>

namespace zaffo::packgen {

float Noise::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_ / 2147483648.0 - 1.0);
}

OnePoleLowpass::OnePoleLowpass(double cutoffHz) : a_(std::exp(-2.0 * std::numbers::pi * cutoffHz / kRate)) {}

float OnePoleLowpass::process(float x) {
    y_ = (1.0 - a_) * x + a_ * y_;
    return static_cast<float>(y_);
}

Biquad::Biquad(double b0, double b1, double b2, double a1, double a2) : b0_(b0), b1_(b1), b2_(b2), a1_(a1), a2_(a2) {}

Biquad Biquad::bandpass(double centreHz, double q) {
    const double w = 2.0 * std::numbers::pi * centreHz / kRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    return Biquad(alpha / a0, 0.0, -alpha / a0, -2.0 * std::cos(w) / a0, (1.0 - alpha) / a0);
}

Biquad Biquad::highpass(double cutoffHz, double q) {
    const double w = 2.0 * std::numbers::pi * cutoffHz / kRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1.0 + alpha;
    return Biquad((1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0);
}

float Biquad::process(float x) {
    const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return static_cast<float>(y);
}

double softSquare(double phase, double frequencyHz) {
    double sum = 0.0;
    for (int k = 1; k * frequencyHz < 18000.0; k += 2) {
        sum += std::sin(k * phase) / k;
    }
    return sum * 4.0 / std::numbers::pi;
}

void drive(Signal& signal, double amount) {
    const double norm = std::tanh(amount);
    for (float& s : signal) {
        s = static_cast<float>(std::tanh(amount * s) / norm);
    }
}

void crunch(Signal& signal, int bits, int hold) {
    const double steps = std::pow(2.0, bits - 1);
    float held = 0.0f;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        if (i % hold == 0) {
            held = static_cast<float>(std::round(signal[i] * steps) / steps);
        }
        signal[i] = held;
    }
}

}  // namespace zaffo::packgen
