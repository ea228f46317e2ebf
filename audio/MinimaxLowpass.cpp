#include "MinimaxLowpass.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zaffo {
namespace {

constexpr int gridDensity = 16;  // grid points per coefficient
constexpr int maxIterations = 60;

// The frequencies the error is watched at, spread evenly over both bands, as x = cos(omega), with
// what the response should be there and the weight of its error.
struct Grid {
    std::vector<double> x, desired, weight;
};

Grid makeGrid(int coefficients, double pass, double stop, double stopWeight) {
    const double passEnd = 2 * M_PI * pass, stopStart = 2 * M_PI * stop;
    const double total = passEnd + (M_PI - stopStart);
    Grid grid;
    const auto band = [&](double from, double to, double desired, double weight) {
        const int points = std::max(32, static_cast<int>(std::ceil(gridDensity * coefficients * (to - from) / total)));
        for (int i = 0; i < points; ++i) {
            grid.x.push_back(std::cos(from + (to - from) * i / (points - 1)));
            grid.desired.push_back(desired);
            grid.weight.push_back(weight);
        }
    };
    band(0, passEnd, 1, 1);
    band(stopStart, M_PI, 0, stopWeight);
    return grid;
}

// The barycentric weights of points x, scaled to a largest of one: worked out in long double, whose
// range holds the products of many small differences.
void barycentricWeights(const std::vector<double>& x, std::size_t count, std::vector<double>& weights) {
    std::vector<long double> inverse(count);
    long double largest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        long double product = 1;
        for (std::size_t j = 0; j < count; ++j)
            if (j != i) product *= 2 * (static_cast<long double>(x[i]) - x[j]);
        inverse[i] = 1 / product;
        largest = std::max(largest, std::abs(inverse[i]));
    }
    weights.resize(count);
    for (std::size_t i = 0; i < count; ++i) weights[i] = static_cast<double>(inverse[i] / largest);
}

// The polynomial through (x[i], value[i]) for the first count points, at point.
double interpolate(const std::vector<double>& x, const std::vector<double>& weights, const std::vector<double>& value,
                   std::size_t count, double point) {
    double numerator = 0, denominator = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double distance = point - x[i];
        if (distance == 0) return value[i];
        const double term = weights[i] / distance;
        numerator += term * value[i];
        denominator += term;
    }
    return numerator / denominator;
}

// The same at the four points at `at`, computed together, into out.
void interpolateFour(const std::vector<double>& x, const std::vector<double>& weights, const std::vector<double>& value,
                     std::size_t count, const double* at, double* out) {
    using Doubles4 = double __attribute__((vector_size(32)));
    Doubles4 point, numerator{}, denominator{};
    std::memcpy(&point, at, sizeof point);
    for (std::size_t i = 0; i < count; ++i) {
        const Doubles4 term = weights[i] / (point - x[i]);
        numerator += term * value[i];
        denominator += term;
    }
    const Doubles4 result = numerator / denominator;
    std::memcpy(out, &result, sizeof result);
    // A point that is one of x divides by zero; its value is known.
    for (int k = 0; k < 4; ++k)
        if (!std::isfinite(out[k])) out[k] = interpolate(x, weights, value, count, at[k]);
}

// Moves each extremal point to where the error, of its sign, is largest between its neighbours;
// then takes in the largest error of all, if it lies elsewhere, keeping the signs alternating.
void exchange(std::vector<int>& extremal, const std::vector<double>& error) {
    const int count = static_cast<int>(extremal.size()), last = static_cast<int>(error.size()) - 1;
    const std::vector<int> old = extremal;
    for (int i = 0; i < count; ++i) {
        const double sign = error[old[i]] >= 0 ? 1 : -1;
        const int from = i == 0 ? 0 : extremal[i - 1] + 1, to = i == count - 1 ? last : old[i + 1] - 1;
        for (int g = from; g <= to; ++g)
            if (sign * error[g] > sign * error[extremal[i]]) extremal[i] = g;
    }
    const int top = static_cast<int>(
        std::max_element(error.begin(), error.end(), [](double a, double b) { return std::abs(a) < std::abs(b); }) -
        error.begin());
    double held = 0;
    for (int g : extremal) held = std::max(held, std::abs(error[g]));
    if (std::abs(error[top]) <= held || std::binary_search(extremal.begin(), extremal.end(), top)) return;
    const int k = static_cast<int>(std::lower_bound(extremal.begin(), extremal.end(), top) - extremal.begin());
    const bool positive = error[top] > 0;
    if (k > 0 && (error[extremal[k - 1]] > 0) == positive) {
        extremal[k - 1] = top;
    } else if (k < count && (error[extremal[k]] > 0) == positive) {
        extremal[k] = top;
    } else {
        extremal.insert(extremal.begin() + k, top);
        const bool dropFirst =
            k == count || (k != 0 && std::abs(error[extremal.front()]) < std::abs(error[extremal.back()]));
        if (dropFirst)
            extremal.erase(extremal.begin());
        else
            extremal.pop_back();
    }
}

}  // namespace

std::optional<std::vector<double>> minimaxLowpass(int half, double pass, double stop, double passRipple,
                                                  double stopRipple) {
    const int coefficients = half + 1, references = coefficients + 1;
    const Grid grid = makeGrid(coefficients, pass, stop, passRipple / stopRipple);
    const int points = static_cast<int>(grid.x.size());
    std::vector<int> extremal(references);
    for (int i = 0; i < references; ++i) extremal[i] = static_cast<int>(std::int64_t{i} * (points - 1) / references);
    std::vector<double> x(references), weights, value(references), error(points);
    double delta = 0;
    bool settled = false;
    for (int iteration = 0; iteration < maxIterations && !settled; ++iteration) {
        for (int i = 0; i < references; ++i) x[i] = grid.x[extremal[i]];
        // The error that alternates at the reference points, then the response through all but the last.
        barycentricWeights(x, references, weights);
        double numerator = 0, denominator = 0;
        for (int i = 0; i < references; ++i) {
            numerator += weights[i] * grid.desired[extremal[i]];
            denominator += weights[i] * (i % 2 ? -1 : 1) / grid.weight[extremal[i]];
        }
        delta = numerator / denominator;
        for (int i = 0; i < references; ++i)
            value[i] = grid.desired[extremal[i]] - (i % 2 ? -1 : 1) * delta / grid.weight[extremal[i]];
        // Without the last point: each weight loses that point's factor.
        for (int i = 0; i < coefficients; ++i) weights[i] *= 2 * (x[i] - x[coefficients]);
        int g = 0;
        for (; g + 4 <= points; g += 4) interpolateFour(x, weights, value, coefficients, &grid.x[g], &error[g]);
        for (; g < points; ++g) error[g] = interpolate(x, weights, value, coefficients, grid.x[g]);
        double largest = 0;
        for (g = 0; g < points; ++g) {
            error[g] = grid.weight[g] * (grid.desired[g] - error[g]);
            largest = std::max(largest, std::abs(error[g]));
        }
        settled = largest - std::abs(delta) <= 1e-3 * std::abs(delta);
        if (!settled) exchange(extremal, error);
    }
    if (!settled || std::abs(delta) > passRipple) return std::nullopt;
    // The taps from the response at evenly spaced frequencies (a cosine transform).
    std::vector<double> response(coefficients), taps(2 * half + 1);
    for (int j = 0; j < coefficients; ++j)
        response[j] = interpolate(x, weights, value, coefficients, std::cos(M_PI * j / half));
    for (int k = 0; k <= half; ++k) {
        double sum = 0;
        for (int j = 0; j <= half; ++j)
            sum += (j == 0 || j == half ? 0.5 : 1) * response[j] * std::cos(M_PI * j * k / half);
        const double a = sum * 2 / half / (k == 0 || k == half ? 2 : 1);
        taps[half + k] = taps[half - k] = k == 0 ? a : a / 2;
    }
    return taps;
}

}  // namespace zaffo
