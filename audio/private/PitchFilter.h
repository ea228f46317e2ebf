#pragma once

#include <cstdint>
#include <vector>

namespace zaffo {

// The band-limiting interpolation kernel of one pitch shift: a minimax lowpass over `taps` frames
// of one of the buffer's levels (AudioBuffer::data(level)), tabled at `phases` fractional
// positions. Each shift gets its own, so its kernel is as short as its margins allow: the band up
// to 20 kHz after the shift passes, flat to 0.026 dB, and what would fold back or image into the
// output is taken 110 dB down. Shifts up read a band-limited copy at a lower rate where that needs
// fewer taps.
class PitchFilter {
public:
    static constexpr int phaseBits = 8;
    static constexpr std::uint32_t phases = 1u << phaseBits;
    static constexpr int maxTaps = 64;

    // Where one shift's passband and stopband lie, on which level, over how many taps: worked out
    // from the step and the material's band in the source.
    struct Design;

    int level() const { return level_; }
    int taps() const { return taps_; }
    // Floats per row: the taps rounded up to a whole group of eight (the rest zero), twice over.
    int stride() const { return stride_; }
    // Row `phase` holds the kernel at that fractional position, in groups of eight weights, each
    // followed by its eight steps towards the next phase's weights for one unit of the read
    // position's fraction (AudioPlayer::fractionBits) below the phase bits: a frame takes the
    // weights plus that part of its fraction, as a whole number, times the steps. Weight m of a
    // row applies to frame (whole position) - taps / 2 + 1 + m. Each group's weights, and steps,
    // are stored in the order 0 1 4 5 2 3 6 7, so that pairing each with itself within the halves
    // of a vector (for the left and the right sample of a frame) gives 0-3 from the lower two of
    // each half and 4-7 from the upper two. Every group lies on a cache line.
    const float* row(std::uint32_t phase) const { return table_.data()->floats + std::size_t{phase} * stride_; }

    // The filter for a step of material that holds nothing above bandwidth (AudioBuffer::bandwidth),
    // made at the first call for all semitone shifts within two octaves;
    // beyond them the filter of the nearest edge serves (and no longer removes everything that
    // folds back upwards). Call once before the audio thread needs it: the first call allocates.
    static const PitchFilter& forStep(double step, double bandwidth);

private:
    explicit PitchFilter(Design design);

    int level_ = 0;
    int taps_ = 0;
    int stride_ = 0;
    struct alignas(64) Group {
        float floats[16];
    };
    std::vector<Group> table_;
};

}  // namespace zaffo
