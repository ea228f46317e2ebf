#pragma once

#include <array>
#include <cstdint>

namespace zaffo {

// One step of an instrument's loop. An off step may hold a pitch, but it is never heard.
struct Step {
    bool on = false;
    int32_t pitch = 0;  // semitones away from the sample's own pitch

    bool operator==(const Step&) const = default;
};

constexpr int stepsPerPattern = 8;
using Steps = std::array<Step, stepsPerPattern>;

}  // namespace zaffo
