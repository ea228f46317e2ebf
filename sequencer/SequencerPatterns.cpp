#include "sequencer/Sequencer.h"

#include <algorithm>

namespace zaffo {

PatternPtr Sequencer::findPatternLocked(const std::string& name) const {
    auto it = std::find_if(patterns.begin(), patterns.end(),
                           [&](const PatternPtr& p) { return p->name == name; });
    return it == patterns.end() ? nullptr : *it;
}

PatternPtr Sequencer::findPattern(const std::string& name) {
    std::lock_guard lock(sequencerMutex);
    return findPatternLocked(name);
}

PatternPtr Sequencer::getOrCreatePattern(const std::string& name) {
    std::lock_guard lock(sequencerMutex);
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
    patterns.push_back(created);
    return created;
}

std::vector<PatternPtr> Sequencer::getPatterns() {
    std::lock_guard lock(sequencerMutex);
    return patterns;
}

std::vector<SequencerPattern> Sequencer::getPatternCopies(size_t most) {
    std::lock_guard lock(sequencerMutex);
    const size_t count = std::min(most, patterns.size());
    std::vector<SequencerPattern> copies;
    copies.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        copies.push_back(*patterns[i]);
    }
    return copies;
}

void Sequencer::setOnStep(std::function<void(int step, int32_t startFrame)> callback) {
    std::lock_guard lock(sequencerMutex);
    onStep = std::move(callback);
}

void Sequencer::removePattern(const std::string& name) {
    std::lock_guard lock(sequencerMutex);
    auto named = [&](const PatternPtr& p) { return p->name == name; };
    std::erase_if(patterns, named);
    for (const PartPtr& part : parts) {
        std::erase_if(part->patterns, named);
    }
}

void Sequencer::renamePattern(const std::string& oldName, const std::string& newName) {
    std::lock_guard lock(sequencerMutex);
    auto renameFirst = [&](std::vector<PatternPtr>& list) {
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const PatternPtr& p) { return p->name == oldName; });
        if (it != list.end()) {
            (*it)->name = newName;
        }
    };
    renameFirst(patterns);
    for (const PartPtr& part : parts) {
        renameFirst(part->patterns);
    }
}

void Sequencer::clearAll() {
    std::lock_guard lock(sequencerMutex);
    patterns.clear();
    parts.clear();
    cueWaiting = false;
}

void Sequencer::editPattern(const PatternPtr& pattern,
                            const std::function<void(SequencerPattern&)>& edit) {
    std::lock_guard lock(sequencerMutex);
    edit(*pattern);
}

}  // namespace zaffo
