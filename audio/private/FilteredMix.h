#pragma once

#include <cstdint>

namespace zaffo {

// One level of a buffer and the pitch kernel that reads it (see PitchFilter).
struct FilteredRead {
    const float* in;      // the level's frames
    std::int64_t frames;  // how many it holds
    int level;
    int taps;
    int stride;          // floats per PitchFilter row
    const float* table;  // PitchFilter rows
};

// Adds up to `frames` frames, times gain, to the interleaved stereo out, each the kernel's sum
// around its read position: positions have 32 bits of fraction at the engine's rate, start at
// position and go on by step until they pass end. Returns the distance they went. Frames whose
// kernel reaches past either end of the level read silence there.
std::uint64_t mixThroughFilter(float* out, std::uint32_t frames, float gain, std::uint64_t position, std::uint64_t step,
                               std::uint64_t end, const FilteredRead& read);

}  // namespace zaffo
