#include "RateConverter.h"

#include <soxr.h>

#include <algorithm>

namespace zaffo {
namespace {

constexpr std::size_t convertedBlockFrames = 16384;

}  // namespace

RateConverter::RateConverter(double from, double to, std::uint64_t maxFrames, std::vector<float>& out)
    : copying_(from == to), maxFrames_(std::min<std::uint64_t>(maxFrames, out.max_size() / 2)), out_(out) {
    if (copying_) return;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_LINEAR_PHASE);
    // One thread each: a pack's files are already decoded side by side.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    state_ = soxr_create(from, to, 2, &error, &io, &quality, &runtime);
    if (error) {
        soxr_delete(state_);
        state_ = nullptr;
        return;
    }
    converted_.resize(convertedBlockFrames * 2);
}

RateConverter::~RateConverter() { soxr_delete(state_); }

Appended RateConverter::append(const float* stereo, std::size_t frames, bool last) {
    if (copying_) return keep(stereo, frames);
    if (!state_) return Appended::failed;
    std::size_t produced = 0;
    do {
        std::size_t used = 0;
        // Past the end soxr takes no input: it flushes what it holds, a block at a time, until nothing is left.
        const float* in = last && frames == 0 ? nullptr : stereo;
        if (soxr_process(state_, in, frames, &used, converted_.data(), convertedBlockFrames, &produced)) {
            return Appended::failed;
        }
        if (const Appended kept = keep(converted_.data(), produced); kept != Appended::ok) return kept;
        stereo += used * 2;
        frames -= used;
    } while (frames > 0 || (last && produced > 0));
    return Appended::ok;
}

// Grows the result as a vector would, but never beyond what maxFrames allows.
Appended RateConverter::keep(const float* stereo, std::size_t frames) {
    if (frames > maxFrames_ - out_.size() / 2) return Appended::tooLong;
    const std::size_t needed = out_.size() + frames * 2;
    if (needed > out_.capacity()) {
        out_.reserve(std::min<std::uint64_t>(std::max(needed, out_.capacity() * 2), maxFrames_ * 2));
    }
    out_.insert(out_.end(), stereo, stereo + frames * 2);
    return Appended::ok;
}

std::vector<float> halfRate(const std::vector<float>& stereo) {
    std::vector<float> half;
    half.reserve(stereo.size() / 4 + 64);
    RateConverter converter(2, 1, stereo.size(), half);
    if (converter.append(stereo.data(), stereo.size() / 2, true) != Appended::ok) return {};
    return half;
}

}  // namespace zaffo
