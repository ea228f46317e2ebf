#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct soxr;

namespace zaffo {

enum class Appended { ok, failed, tooLong };

// Converts interleaved stereo from one rate to another as blocks come, appending to `out`, which
// never grows past maxFrames: the block that would take it there is refused. A linear-phase
// converter whose stopband lies 120 dB down and whose passband reaches `passband` of the lower
// Nyquist frequency; its output is aligned with its input (the filter's delay is taken off), so frame
// j of the result lies at the time of input frame j * from / to. Equal rates copy.
class RateConverter {
public:
    RateConverter(double from, double to, std::uint64_t maxFrames, std::vector<float>& out, double passband = 0.913);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // False when the converter could not be made.
    bool valid() const { return copying_ || state_; }

    // `last` marks the end of the input: what the converter still holds is flushed after it.
    Appended append(const float* stereo, std::size_t frames, bool last);

private:
    Appended keep(const float* stereo, std::size_t frames);

    bool copying_;
    std::uint64_t maxFrames_;
    std::vector<float>& out_;
    soxr* state_ = nullptr;
    std::vector<float> converted_;
};

// Reserves room for count samples, in huge pages where the system allows them.
void reserveSamples(std::vector<float>& samples, std::size_t count);

// The share of the lower Nyquist frequency that halfRate keeps untouched: less than the file
// conversion keeps, for a shorter filter, but all that the pitch kernels read from a copy.
inline constexpr double copyPassband = 0.75;

// The whole of `stereo` at half its rate, through RateConverter keeping copyPassband; empty when
// that fails.
std::vector<float> halfRate(const std::vector<float>& stereo);

}  // namespace zaffo
