#include "sequencer/Sequencer.h"

namespace zaffo {

size_t SequencerSnapshot::size() const {
    size_t count = instruments.size();
    for (const PartSnapshot& part : parts) count += part.patterns.size();
    return count;
}

SequencerSnapshot Sequencer::snapshot() {
    SequencerSnapshot state;
    std::lock_guard lock(editMutex);
    const PatternListPtr live = liveList();
    state.instruments.reserve(live->size());
    for (const PatternPtr& pattern : *live) {
        state.instruments.push_back(copyOfLocked(*pattern));
    }
    state.parts.reserve(parts.size());
    for (const PartPtr& part : parts) {
        PartSnapshot& copy = state.parts.emplace_back(PartSnapshot{part->name, part->bpm, {}});
        copy.patterns.reserve(part->patterns.size());
        for (const PatternPtr& pattern : part->patterns) copy.patterns.push_back(*pattern);
    }
    std::lock_guard clock(sequencerMutex);
    // A tempo change on its way counts as done: "bpm 140" takes effect at the next tick only.
    state.bpm = bpmTarget > 0 ? static_cast<int32_t>(bpmTarget) : bpm.load();
    return state;
}

void Sequencer::restore(const SequencerSnapshot& state) {
    auto instruments = std::make_shared<PatternList>();
    instruments->reserve(state.instruments.size());
    for (const SequencerPattern& pattern : state.instruments) {
        instruments->push_back(std::make_shared<SequencerPattern>(pattern));
    }
    std::vector<PartPtr> restoredParts;
    restoredParts.reserve(state.parts.size());
    for (const PartSnapshot& part : state.parts) {
        auto restored = std::make_shared<SequencerState>(part.name);
        restored->bpm = part.bpm;
        for (const SequencerPattern& pattern : part.patterns) {
            restored->patterns.push_back(std::make_shared<SequencerPattern>(pattern));
        }
        restoredParts.push_back(std::move(restored));
    }
    PatternListPtr next = std::move(instruments);
    std::lock_guard lock(editMutex);
    {
        std::lock_guard clock(sequencerMutex);
        bpmTarget = 0;
        cueWaiting = false;
        bpm.store(state.bpm);
    }
    publishLocked(next);
    parts.swap(restoredParts);  // the old parts are let go of once the lock is
}

}  // namespace zaffo
