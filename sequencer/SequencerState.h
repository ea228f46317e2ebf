#pragma once

#include "sequencer/SequencerPattern.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zaffo {

// A part: a named snapshot of the tempo and of copies of every instrument. The copies belong to
// the part alone, so playing and editing the live instruments never changes it.
struct SequencerState {
    explicit SequencerState(std::string partName) : name(std::move(partName)) {}

    std::string name;
    int32_t bpm = 120;
    std::vector<std::shared_ptr<SequencerPattern>> patterns;
};

}  // namespace zaffo
