#pragma once

#include "sequencer/SequencerPattern.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zaffo {

// A part as it stands, by value.
struct PartSnapshot {
    std::string name;
    int32_t bpm = 120;
    std::vector<SequencerPattern> patterns;

    bool operator==(const PartSnapshot&) const = default;
};

// Everything a musician edits in the sequencer, by value: the tempo it plays or is heading to,
// the live instruments and the parts, in their order. Restoring one brings all of it back.
struct SequencerSnapshot {
    int32_t bpm = 120;
    std::vector<SequencerPattern> instruments;
    std::vector<PartSnapshot> parts;

    bool operator==(const SequencerSnapshot&) const = default;
    // Instruments held, counting those in parts: what keeping it costs.
    size_t size() const;
};

}  // namespace zaffo
