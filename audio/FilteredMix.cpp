#include "FilteredMix.h"

#include "PitchFilter.h"

#include "audio/AudioPlayer.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zaffo {
namespace {

// GCC's vector type: 8 floats, 4 stereo frames. Built twice where the compiler can: the machine's
// 256-bit instructions, and plain SSE2; the loader picks one at start.
// Not under ThreadSanitizer, whose instrumented resolver would run before its runtime is up.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define ZAFFO_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define ZAFFO_VECTOR_CLONES
#endif
using Floats8 = float __attribute__((vector_size(32)));
using Lanes8 = std::int32_t __attribute__((vector_size(32)));

// Vectors pass by reference: the calling convention for them differs between builds.
inline void load(Floats8& v, const float* p) { std::memcpy(&v, p, sizeof v); }

// Eight weights of a row's group interpolated towards the next phase's at t, each paired with itself
// for the left and the right sample of a frame: weights 0-3 into low, 4-7 into high (see
// PitchFilter::row).
inline void pairedWeights(Floats8& low, Floats8& high, const float* group, float t) {
    Floats8 w, towards;
    load(w, group);
    load(towards, group + 8);
    w += t * towards;
    low = __builtin_shuffle(w, Lanes8{0, 0, 1, 1, 4, 4, 5, 5});
    high = __builtin_shuffle(w, Lanes8{2, 2, 3, 3, 6, 6, 7, 7});
}

// Weights w times the four stereo frames at x, added to sum.
inline void addWeighted(Floats8& sum, const Floats8& w, const float* x) {
    Floats8 v;
    load(v, x);
    sum += w * v;
}

// Weights w times the four stereo frames at x, as a sum's first terms.
inline void weighted(Floats8& sum, const Floats8& w, const float* x) {
    load(sum, x);
    sum *= w;
}

// The frames first.. first + taps - 1 of the level copied to edge, silence where they lie outside it.
[[gnu::noinline, gnu::cold]] const float* copyAtEdge(float* edge, const FilteredRead& read, std::int64_t first,
                                                     int taps) {
    for (int m = 0; m < taps; ++m) {
        const std::int64_t frame = first + m;
        const bool inside = frame >= 0 && frame < read.frames;
        edge[2 * m] = inside ? read.in[2 * frame] : 0.0f;
        edge[2 * m + 1] = inside ? read.in[2 * frame + 1] : 0.0f;
    }
    return edge;
}

// One stereo frame through the kernel: the weights are interpolated between the rows of the
// two neighbouring phases, eight at a time; the left and right sums are the even and odd lanes.
inline void filterFrame(Floats8& sum, const float* x, const float* row, int taps, float t) {
    Floats8 sum1{}, low, high;
    // Each sum starts with its first terms, not with zero: that is one add less, and no different.
    pairedWeights(low, high, row, t);
    weighted(sum, low, x);
    if (taps >= 8) weighted(sum1, high, x + 8);
    int m = 8;
    for (; m + 8 <= taps; m += 8) {
        pairedWeights(low, high, row + 2 * m, t);
        addWeighted(sum, low, x + 2 * m);
        addWeighted(sum1, high, x + 2 * m + 8);
    }
    // Taps come in fours: a last four are the lower half of their group.
    if (m < taps) {
        pairedWeights(low, high, row + 2 * m, t);
        addWeighted(sum, low, x + 2 * m);
    }
    sum += sum1;
}

// The left and right of four frames from their sums, as left, right, left, right...: each sum's
// pairs of lanes are added to the pair two lanes on, then its halves.
inline void fold(Floats8& frames, const Floats8& a, const Floats8& b, const Floats8& c, const Floats8& d) {
    const Floats8 ab = __builtin_shufflevector(a, b, 0, 1, 8, 9, 4, 5, 12, 13) +
                       __builtin_shufflevector(a, b, 2, 3, 10, 11, 6, 7, 14, 15);
    const Floats8 cd = __builtin_shufflevector(c, d, 0, 1, 8, 9, 4, 5, 12, 13) +
                       __builtin_shufflevector(c, d, 2, 3, 10, 11, 6, 7, 14, 15);
    frames = __builtin_shufflevector(ab, cd, 0, 1, 2, 3, 8, 9, 10, 11) +
             __builtin_shufflevector(ab, cd, 4, 5, 6, 7, 12, 13, 14, 15);
}

// Mixes frames until the position passes end; returns the distance it went. Frames whose kernel
// reaches past either end of the level read silence there. Taps is the kernel's length where the
// compiler is to know it, 0 where it is read.taps.
template <int Taps>
[[gnu::always_inline]] inline std::uint64_t mixFrames(float* out, std::uint32_t frames, float gain,
                                                      std::uint64_t position, std::uint64_t step, std::uint64_t end,
                                                      const FilteredRead& read) {
    const int taps = Taps ? Taps : read.taps, stride = Taps ? (Taps + 7) / 8 * 16 : read.stride;
    constexpr int fractionBits = AudioPlayer::fractionBits, phaseShift = fractionBits - PitchFilter::phaseBits;
    constexpr std::uint32_t betweenPhases = (1u << phaseShift) - 1;
    const int half = taps / 2, level = read.level;
    // Kept apart from the output, whose stores the compiler must take to reach anything.
    const float *const in = read.in, *const table = read.table;
    // The first frames of kernels that lie wholly within the level are below this (none where it
    // is 0); negative ones wrap above it.
    const auto inside = static_cast<std::uint64_t>(std::max<std::int64_t>(read.frames - taps + 1, 0));
    // The sums of the frame at position p; edge holds its input when the kernel reaches past an end.
    const auto filter = [&](Floats8 & sum, std::uint64_t p, float* edge) __attribute__((always_inline)) {
        const std::uint64_t at = p >> level;
        const std::int64_t first = static_cast<std::int64_t>(at >> fractionBits) - (half - 1);
        const auto fraction = static_cast<std::uint32_t>(at);
        const float* x = in + first * 2;
        if (static_cast<std::uint64_t>(first) >= inside) x = copyAtEdge(edge, read, first, taps);
        const float* row = table + std::size_t{fraction >> phaseShift} * stride;
        const auto t = static_cast<float>(static_cast<std::int32_t>(fraction & betweenPhases));
        filterFrame(sum, x, row, taps, t);
    };
    const std::uint64_t ahead = position < end ? (end - position - 1) / step + 1 : 0;
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, ahead));
    float edges[4][2 * PitchFilter::maxTaps];
    // The frames at p and the three steps after it, no further than last, folded into four frames.
    const auto filterFour = [&](Floats8 & frames, std::uint64_t p, std::uint64_t last) __attribute__((always_inline)) {
        Floats8 a, b, c, d;
        filter(a, p, edges[0]);
        filter(b, std::min(p + step, last), edges[1]);
        filter(c, std::min(p + 2 * step, last), edges[2]);
        filter(d, std::min(p + 3 * step, last), edges[3]);
        fold(frames, a, b, c, d);
    };
    Floats8 frames4, mixed;
    std::uint32_t i = 0;
    std::uint64_t p = position;
    for (; i + 4 <= count; i += 4, p += 4 * step) {
        filterFour(frames4, p, std::numeric_limits<std::uint64_t>::max());
        load(mixed, out + 2 * i);
        mixed += gain * frames4;
        std::memcpy(out + 2 * i, &mixed, sizeof mixed);
    }
    // The last few repeat the last frame and keep only what they need.
    if (i < count) {
        filterFour(frames4, p, position + (count - 1) * step);
        for (std::uint32_t k = 0; k < 2 * (count - i); ++k) out[2 * i + k] += gain * frames4[k];
    }
    return count * step;
}

}  // namespace

// The kernels that the shifts within two octaves have are built with their length known, so that
// their loops unroll; any other length takes the general loop.
ZAFFO_VECTOR_CLONES std::uint64_t mixThroughFilter(float* out, std::uint32_t frames, float gain, std::uint64_t position,
                                                   std::uint64_t step, std::uint64_t end, const FilteredRead& read) {
    switch (read.taps) {
        case 12:
            return mixFrames<12>(out, frames, gain, position, step, end, read);
        case 16:
            return mixFrames<16>(out, frames, gain, position, step, end, read);
        case 20:
            return mixFrames<20>(out, frames, gain, position, step, end, read);
        case 24:
            return mixFrames<24>(out, frames, gain, position, step, end, read);
        case 32:
            return mixFrames<32>(out, frames, gain, position, step, end, read);
        default:
            return mixFrames<0>(out, frames, gain, position, step, end, read);
    }
}

}  // namespace zaffo
