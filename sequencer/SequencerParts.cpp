#include "sequencer/Sequencer.h"

#include <algorithm>

namespace zaffo {

// Every instrument that enters or leaves a part is a copy of its own, never shared.

PartPtr Sequencer::findPartLocked(const std::string& name) const {
    auto it = std::find_if(parts.begin(), parts.end(), [&](const PartPtr& p) { return p->name == name; });
    return it == parts.end() ? nullptr : *it;
}

bool Sequencer::storePart(const std::string& name) {
    std::lock_guard lock(editMutex);
    // A part may not share its name with a live instrument: typing the name could not tell
    // the two apart.
    if (findPatternLocked(name)) {
        return false;
    }
    PartPtr part = findPartLocked(name);
    if (!part) {
        part = std::make_shared<SequencerState>(name);
        parts.push_back(part);
    }
    const PatternListPtr live = liveList();
    std::vector<PatternPtr> copies;
    copies.reserve(live->size());
    for (const PatternPtr& pattern : *live) {
        copies.push_back(std::make_shared<SequencerPattern>(copyOfLocked(*pattern)));
    }
    part->patterns.swap(copies);
    part->bpm = bpm.load();
    edits.fetch_add(1);
    return true;
}

// Fresh copies of a part's instruments, to go live. Nothing but the interface touches a part's
// instruments, so they are read without the clock's lock.
Sequencer::PatternListPtr Sequencer::instrumentsOf(const SequencerState& part) {
    auto copies = std::make_shared<PatternList>();
    copies->reserve(part.patterns.size());
    for (const PatternPtr& pattern : part.patterns) {
        copies->push_back(std::make_shared<SequencerPattern>(*pattern));
    }
    return copies;
}

bool Sequencer::recallPart(const std::string& name) {
    std::lock_guard lock(editMutex);
    PartPtr part = findPartLocked(name);
    if (!part) {
        return false;
    }
    PatternListPtr swapped = instrumentsOf(*part);
    publishLocked(swapped);
    bpm.store(part->bpm);
    return true;
}

bool Sequencer::cuePart(const std::string& name) {
    std::lock_guard lock(editMutex);
    PartPtr part = findPartLocked(name);
    if (!part) {
        return false;
    }
    PatternListPtr next = instrumentsOf(*part);
    edits.fetch_add(1);
    {
        std::lock_guard clock(sequencerMutex);
        cuedPatterns.swap(next);
        cuedBpm = part->bpm;
        cueWaiting = true;
    }
    retireLocked(next);  // what the cue held before: instruments a taken cue replaced, perhaps
    return true;
}

void Sequencer::takeCueLocked(int32_t startFrame, PeriodReport& report) {
    patterns.swap(cuedPatterns);
    if (bpm.exchange(cuedBpm) != cuedBpm) {
        report.add({.kind = ClockEvent::Kind::tempo, .frame = startFrame, .step = 0, .value = cuedBpm});
    }
    bpmTarget = 0;  // the part's tempo holds, whatever animation ran before it
    cueWaiting = false;
}

bool Sequencer::removePart(const std::string& name) {
    std::lock_guard lock(editMutex);
    auto it = std::find_if(parts.begin(), parts.end(), [&](const PartPtr& p) { return p->name == name; });
    if (it == parts.end()) {
        return false;
    }
    parts.erase(it);
    edits.fetch_add(1);
    return true;
}

std::vector<std::string> Sequencer::getPartNames() {
    std::lock_guard lock(editMutex);
    std::vector<std::string> names;
    names.reserve(parts.size());
    for (const PartPtr& part : parts) {
        names.push_back(part->name);
    }
    return names;
}

}  // namespace zaffo
