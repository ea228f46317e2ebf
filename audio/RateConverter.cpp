#include "RateConverter.h"

#include <soxr.h>
#include <sys/mman.h>

#include <algorithm>

namespace zaffo {
namespace {

constexpr std::size_t convertedBlockFrames = 16384;

}  // namespace

void reserveSamples(std::vector<float>& samples, std::size_t count) {
    samples.reserve(count);
    // Filling fresh memory costs a page fault per 4 KiB, which is most of what loading costs; in
    // whole 2 MiB pages it costs next to nothing. Where the system refuses, small pages serve.
    constexpr std::uintptr_t hugePage = std::uintptr_t{1} << 21;
    const auto begin = (reinterpret_cast<std::uintptr_t>(samples.data()) + hugePage - 1) & ~(hugePage - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(samples.data() + samples.capacity()) & ~(hugePage - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

RateConverter::RateConverter(double from, double to, std::uint64_t maxFrames, std::vector<float>& out, double passband)
    : copying_(from == to), maxFrames_(std::min<std::uint64_t>(maxFrames, out.max_size() / 2)), out_(out) {
    if (copying_) return;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_LINEAR_PHASE);
    quality.passband_end = passband;
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
        reserveSamples(out_, std::min<std::uint64_t>(std::max(needed, out_.capacity() * 2), maxFrames_ * 2));
    }
    out_.insert(out_.end(), stereo, stereo + frames * 2);
    return Appended::ok;
}

std::vector<float> halfRate(const std::vector<float>& stereo) {
    std::vector<float> half;
    reserveSamples(half, stereo.size() / 2 + 64);  // half the frames, two values each
    RateConverter converter(2, 1, stereo.size(), half, copyPassband);
    if (converter.append(stereo.data(), stereo.size() / 2, true) != Appended::ok) return {};
    return half;
}

}  // namespace zaffo
