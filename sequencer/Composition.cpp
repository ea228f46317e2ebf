#include "sequencer/Composition.h"

#include "JsonNesting.h"
#include "sequencer/PatternGrammar.h"
#include "sequencer/Sequencer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace zaffo {
namespace {

using picojson::array;
using picojson::object;
using picojson::value;

template <typename T>
const T* member(const value& entry, const char* key) {
    if (!entry.is<object>()) return nullptr;
    const object& members = entry.get<object>();
    auto it = members.find(key);
    if (it == members.end() || !it->second.is<T>()) return nullptr;
    return &it->second.get<T>();
}

// A whole number from a document, truncated towards zero and kept within `low`..`high`;
// nothing when the number is not finite.
std::optional<int32_t> wholeNumber(const double* number, int32_t low, int32_t high) {
    if (!number || !std::isfinite(*number)) return std::nullopt;
    const double truncated = std::trunc(*number);
    return static_cast<int32_t>(std::clamp(truncated, static_cast<double>(low), static_cast<double>(high)));
}

// A whole number from a document that lies within `low`..`high`; nothing otherwise.
std::optional<int32_t> numberWithin(const double* number, int32_t low, int32_t high) {
    if (!number || !std::isfinite(*number) || *number < low || *number > high) return std::nullopt;
    return static_cast<int32_t>(*number);
}

constexpr int32_t int32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t int32Min = std::numeric_limits<int32_t>::min();

// The clock needs a tempo of at least 1.
std::optional<int32_t> tempoOf(const value& entry) { return wholeNumber(member<double>(entry, "bpm"), 1, int32Max); }

Steps readSteps(const std::string& text, Steps steps) {
    std::vector<Step> parsed;
    try {
        if (pattern_grammar::readPattern(text, parsed)) {
            applySteps(parsed, steps);
        }
    } catch (const std::exception&) {
        // A pitch too large to hold: the steps stay as they were.
    }
    return steps;
}

const std::string* storedPattern(const value& entry) {
    if (const auto* text = member<std::string>(entry, "patternRaw")) return text;
    return member<std::string>(entry, "rawPattern");
}

}  // namespace

picojson::value writeInstrument(const SequencerPattern& instrument) {
    array pitches;
    array notes;
    for (const Step& step : instrument.steps) {
        pitches.push_back(step.on ? value(static_cast<double>(step.pitch)) : value());
        notes.push_back(step.on ? value(noteName(step.pitch)) : value());
    }
    const std::string text = patternText(instrument.steps);
    object entry;
    entry["mute"] = value(!instrument.active);
    entry["name"] = value(instrument.name);
    entry["pattern"] = value(pitches);
    entry["patternRaw"] = value(text);
    entry["rand"] = value(static_cast<double>(instrument.rand));
    entry["rawPattern"] = value(text);
    entry["sequence"] = value(notes);
    entry["volume"] = value(static_cast<double>(instrument.volume));
    if (instrument.midiNote != noMidiNote) {
        entry["midiNote"] = value(static_cast<double>(instrument.midiNote));
        entry["midiChannel"] = value(static_cast<double>(instrument.midiChannel));
    }
    return value(entry);
}

picojson::value parseComposition(const std::string& text) {
    // Editors on Windows often start a UTF-8 file with a byte-order mark, which JSON does not allow.
    std::string_view body = text;
    if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
    if (nestsDeeperThan(body, maxJsonNesting)) return value();
    value root;
    try {
        std::string error;
        picojson::parse(root, body.begin(), body.end(), &error);
        if (!error.empty()) return value();
    } catch (const std::exception&) {
        return value();  // a number such as 1e999 that overflows a double
    }
    return root;
}

std::string compositionText(const picojson::value& root) { return root.serialize(true); }

picojson::value Sequencer::toJson() {
    object root;
    root["bpm"] = value(static_cast<double>(bpm.load()));
    root["name"] = value("composition");

    std::lock_guard lock(editMutex);
    array instruments;
    std::set<std::string> written;
    for (const PatternPtr& pattern : *liveList()) {
        instruments.push_back(writeInstrument(copyOfLocked(*pattern)));
        written.insert(pattern->name);
    }
    // Instruments that only parts hold are written once, muted, so that loading keeps them.
    for (const PartPtr& part : parts) {
        for (const PatternPtr& pattern : part->patterns) {
            if (written.insert(pattern->name).second) {
                SequencerPattern muted = *pattern;
                muted.active = false;
                instruments.push_back(writeInstrument(muted));
            }
        }
    }
    root["activeInstruments"] = value(instruments);

    object partMembers;
    for (const PartPtr& part : parts) {
        object collection;
        for (const PatternPtr& pattern : part->patterns) {
            collection[pattern->name] = writeInstrument(*pattern);
        }
        object partEntry;
        partEntry["bpm"] = value(static_cast<double>(part->bpm));
        partEntry["instrumentCollection"] = value(collection);
        partMembers[part->name] = value(partEntry);
    }
    root["parts"] = value(partMembers);
    return value(root);
}

PatternPtr Sequencer::readInstrument(const picojson::value& entry, const PatternPtr& existing) {
    const auto* name = member<std::string>(entry, "name");
    const auto* text = storedPattern(entry);
    const auto* volume = member<double>(entry, "volume");
    if (!name || !text || !volume || !std::isfinite(*volume)) return nullptr;
    std::lock_guard edit(editMutex);
    SequencerPattern read;
    if (existing) {
        read = copyOfLocked(*existing);
    } else {
        read.name = *name;
    }
    read.steps = readSteps(*text, read.steps);
    read.volume = instrumentVolume(*volume);
    if (const bool* mute = member<bool>(entry, "mute")) read.active = !*mute;
    if (auto rand = wholeNumber(member<double>(entry, "rand"), int32Min, int32Max)) read.rand = *rand;
    // A note out of range sends nothing; a channel out of range is the default one.
    read.midiNote = numberWithin(member<double>(entry, "midiNote"), 0, maxMidiNote).value_or(noMidiNote);
    read.midiChannel =
        numberWithin(member<double>(entry, "midiChannel"), 1, maxMidiChannel).value_or(defaultMidiChannel);

    if (!existing) {
        return std::make_shared<SequencerPattern>(std::move(read));
    }
    std::lock_guard lock(sequencerMutex);
    copyState(read, *existing);
    return existing;
}

namespace {

// A list holds each name once: a later entry of a name already read is passed over. The names
// read are kept in a set, so that a file of many instruments loads in linear time.
class NamedList {
public:
    NamedList(std::vector<PatternPtr>& list, size_t expected) : list(list) {
        names.reserve(expected);
        list.reserve(expected);
    }

    // The entry's name when no usable entry of that name was read yet.
    const std::string* newName(const value& entry) const {
        const auto* name = member<std::string>(entry, "name");
        return name && !names.contains(*name) ? name : nullptr;
    }

    void add(PatternPtr pattern) {
        if (!pattern) return;
        names.insert(pattern->name);
        list.push_back(std::move(pattern));
    }

private:
    std::vector<PatternPtr>& list;
    std::unordered_set<std::string> names;
};

std::vector<value> collectionEntries(const value& collection) {
    if (collection.is<array>()) return collection.get<array>();
    std::vector<value> entries;
    for (const auto& [key, entry] : collection.get<object>()) entries.push_back(entry);
    return entries;
}

// Instruments of a part in the order of the live list, the others after them as read.
void sortByLiveOrder(std::vector<PatternPtr>& list, const std::unordered_map<std::string, size_t>& order) {
    auto rank = [&](const PatternPtr& p) {
        auto it = order.find(p->name);
        return it == order.end() ? order.size() : it->second;
    };
    std::stable_sort(list.begin(), list.end(),
                     [&](const PatternPtr& a, const PatternPtr& b) { return rank(a) < rank(b); });
}

}  // namespace

bool Sequencer::fromJson(const picojson::value& root) {
    if (!root.is<object>()) return false;

    std::unordered_map<std::string, PatternPtr> live;
    {
        std::lock_guard edit(editMutex);
        const PatternListPtr current = liveList();
        live.reserve(current->size());
        for (const PatternPtr& pattern : *current) live.emplace(pattern->name, pattern);
    }
    std::vector<PatternPtr> newPatterns;
    std::unordered_map<std::string, size_t> order;
    if (const auto* instruments = member<array>(root, "activeInstruments")) {
        NamedList read(newPatterns, instruments->size());
        for (const value& entry : *instruments) {
            const std::string* name = read.newName(entry);
            if (!name) continue;
            auto found = live.find(*name);
            read.add(readInstrument(entry, found == live.end() ? nullptr : found->second));
        }
        order.reserve(newPatterns.size());
        for (size_t i = 0; i < newPatterns.size(); ++i) order[newPatterns[i]->name] = i;
    }

    std::vector<PartPtr> newParts;
    if (const auto* partMembers = member<object>(root, "parts")) {
        for (const auto& [partName, partEntry] : *partMembers) {
            const auto* asObject = member<object>(partEntry, "instrumentCollection");
            const auto* asArray = member<array>(partEntry, "instrumentCollection");
            if (!asObject && !asArray) continue;
            auto part = std::make_shared<SequencerState>(partName);
            part->bpm = tempoOf(partEntry).value_or(120);
            const value& collection = partEntry.get<object>().at("instrumentCollection");
            const std::vector<value> entries = collectionEntries(collection);
            NamedList read(part->patterns, entries.size());
            for (const value& entry : entries) {
                if (read.newName(entry)) read.add(readInstrument(entry, nullptr));
            }
            sortByLiveOrder(part->patterns, order);
            newParts.push_back(std::move(part));
        }
    }

    if (auto tempo = tempoOf(root)) bpm.store(*tempo);
    PatternListPtr next = std::make_shared<const PatternList>(std::move(newPatterns));
    std::lock_guard lock(editMutex);
    publishLocked(next);
    parts.swap(newParts);
    return true;
}

}  // namespace zaffo
