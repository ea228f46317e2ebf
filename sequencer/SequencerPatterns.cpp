#include "sequencer/Sequencer.h"

#include <algorithm>

namespace zaffo {

PatternPtr Sequencer::findPatternLocked(const std::string& name) const {
    const PatternListPtr live = liveList();
    auto it = std::find_if(live->begin(), live->end(), [&](const PatternPtr& p) { return p->name == name; });
    return it == live->end() ? nullptr : *it;
}

Sequencer::PatternListPtr Sequencer::liveList() const {
    std::lock_guard lock(sequencerMutex);
    return patterns;
}

SequencerPattern Sequencer::copyOfLocked(const SequencerPattern& live) const {
    SequencerPattern copy;
    copy.name = live.name;
    std::lock_guard lock(sequencerMutex);
    copyState(live, copy);
    return copy;
}

void Sequencer::publishLocked(PatternListPtr& next) {
    edits.fetch_add(1);
    {
        std::lock_guard lock(sequencerMutex);
        patterns.swap(next);
    }
    retireLocked(next);
}

void Sequencer::retireLocked(PatternListPtr& old) {
    // A list that only this one holds can be held by nobody again: it is no longer live, and
    // reports pin only the live list.
    std::erase_if(retired, [](const PatternListPtr& list) { return list.use_count() == 1; });
    if (old && old.use_count() > 1) retired.push_back(std::move(old));
    old.reset();
}

PatternPtr Sequencer::findPattern(const std::string& name) {
    std::lock_guard lock(editMutex);
    return findPatternLocked(name);
}

PatternPtr Sequencer::getOrCreatePattern(const std::string& name) {
    std::lock_guard lock(editMutex);
    if (PatternPtr existing = findPatternLocked(name)) {
        return existing;
    }
    if (!sampleExists || !sampleExists(name)) {
        return nullptr;
    }
    auto created = std::make_shared<SequencerPattern>();
    created->name = name;
    // Parts stored before the instrument existed hold it muted, so recalling them keeps it
    // on screen but silent.
    created->active = false;
    for (const PartPtr& part : parts) {
        part->patterns.push_back(std::make_shared<SequencerPattern>(*created));
    }
    created->active = true;
    auto next = std::make_shared<PatternList>(*liveList());
    next->push_back(created);
    PatternListPtr swapped = std::move(next);
    publishLocked(swapped);
    return created;
}

std::vector<PatternPtr> Sequencer::getPatterns() {
    std::lock_guard lock(editMutex);
    return *liveList();
}

size_t Sequencer::patternCount() {
    std::lock_guard lock(editMutex);
    return liveList()->size();
}

std::vector<SequencerPattern> Sequencer::getPatternCopies(size_t most) {
    std::lock_guard lock(editMutex);
    const PatternListPtr live = liveList();
    const size_t count = std::min(most, live->size());
    std::vector<SequencerPattern> copies;
    copies.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        copies.push_back(copyOfLocked(*(*live)[i]));
    }
    return copies;
}

void Sequencer::removePattern(const std::string& name) {
    std::lock_guard lock(editMutex);
    auto named = [&](const PatternPtr& p) { return p->name == name; };
    auto next = std::make_shared<PatternList>(*liveList());
    std::erase_if(*next, named);
    for (const PartPtr& part : parts) {
        std::erase_if(part->patterns, named);
    }
    PatternListPtr swapped = std::move(next);
    publishLocked(swapped);
}

void Sequencer::renamePattern(const std::string& oldName, const std::string& newName) {
    std::lock_guard lock(editMutex);
    auto named = [&](const PatternPtr& p) { return p->name == oldName; };
    for (const PartPtr& part : parts) {
        auto it = std::find_if(part->patterns.begin(), part->patterns.end(), named);
        if (it != part->patterns.end()) {
            (*it)->name = newName;
        }
    }
    const PatternListPtr live = liveList();
    auto it = std::find_if(live->begin(), live->end(), named);
    if (it == live->end()) {
        return;
    }
    // The live instrument is replaced by a renamed one that takes over its state in the same
    // moment, so no shuffle by the clock is lost in between.
    const PatternPtr old = *it;
    auto renamed = std::make_shared<SequencerPattern>();
    renamed->name = newName;
    auto next = std::make_shared<PatternList>(*live);
    (*next)[static_cast<size_t>(it - live->begin())] = renamed;
    PatternListPtr swapped = std::move(next);
    edits.fetch_add(1);
    {
        std::lock_guard clock(sequencerMutex);
        copyState(*old, *renamed);
        patterns.swap(swapped);
    }
    retireLocked(swapped);
}

void Sequencer::clearAll() {
    std::lock_guard lock(editMutex);
    PatternListPtr empty = std::make_shared<const PatternList>();
    publishLocked(empty);
    parts.clear();
    std::lock_guard clock(sequencerMutex);  // the clock reads the cue at every step 0
    cueWaiting = false;
}

void Sequencer::editPattern(const PatternPtr& pattern, const std::function<void(SequencerPattern&)>& edit) {
    std::lock_guard lock(editMutex);
    edits.fetch_add(1);
    std::lock_guard clock(sequencerMutex);
    edit(*pattern);
}

}  // namespace zaffo
