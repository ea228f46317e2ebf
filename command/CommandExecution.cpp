#include "CommandExecution.h"

#include "command/CommandParser.h"
#include "command/NameHint.h"
#include "command/ParseListener.h"
#include "sequencer/Sequencer.h"

#include <charconv>

namespace zaffo {
namespace {

// ", did you mean kick?" when a loaded sample (or, with `parts`, a part) is named much like it.
std::string hintFor(const CommandContext& context, const std::string& name, bool parts) {
    std::vector<std::string> known = parts ? context.partNames : std::vector<std::string>{};
    if (ParseListener* listener = context.parser->listener) {
        const std::vector<std::string> samples = listener->sampleNames();
        known.insert(known.end(), samples.begin(), samples.end());
    }
    return didYouMean(name, known);
}

// The instruments of every name, created where a sample of that name is loaded. Instruments
// created for the names before a missing one stay created.
std::vector<PatternPtr> collectInstruments(const CommandContext& context) {
    std::vector<PatternPtr> instruments;
    for (const std::string& name : context.names) {
        PatternPtr pattern = context.sequencer->getOrCreatePattern(name);
        if (!pattern) {
            throw CommandError("pattern not found: " + name + hintFor(context, name, false));
        }
        instruments.push_back(std::move(pattern));
    }
    return instruments;
}

bool allAreSamples(ParseListener& listener, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (!listener.hasSample(name)) {
            return false;
        }
    }
    return true;
}

void auditionOrRecall(CommandContext& context) {
    ParseListener* listener = context.parser->listener;
    if (listener && allAreSamples(*listener, context.names)) {
        for (const std::string& name : context.names) {
            listener->playSample(name);
        }
        return;
    }
    const std::string& first = context.names.front();
    if (!context.sequencer->recallPart(first)) {
        context.message = "Unknown part/sample: " + first + hintFor(context, first, true);
    }
}

}  // namespace

void runInstrumentCommand(CommandContext& context) {
    const bool edits = context.rand >= 0 || context.volume >= 0 || !context.steps.empty();
    if (!edits) {
        auditionOrRecall(context);
        return;
    }
    for (const PatternPtr& instrument : collectInstruments(context)) {
        context.sequencer->editPattern(instrument, [&](SequencerPattern& pattern) {
            if (context.rand >= 0) {
                pattern.rand = context.rand;
            }
            if (context.volume >= 0) {
                pattern.volume = instrumentVolume(context.volume);
            }
            applySteps(context.steps, pattern.steps);
            pattern.active = true;
        });
    }
}

void runMuteCommand(CommandContext& context, bool active) {
    for (const PatternPtr& instrument : collectInstruments(context)) {
        context.sequencer->editPattern(instrument, [&](SequencerPattern& pattern) { pattern.active = active; });
    }
}

void runRemoveCommand(CommandContext& context) {
    for (const std::string& name : context.names) {
        context.sequencer->removePart(name);
        context.sequencer->removePattern(name);
    }
}

namespace {

std::string midiText(const std::string& name, int32_t note, int32_t channel) {
    if (note == noMidiNote) return name + " sends no MIDI";
    return name + " sends note " + std::to_string(note) + " on channel " + std::to_string(channel);
}

std::string midiListText(const std::vector<SequencerPattern>& instruments) {
    std::string text;
    for (const SequencerPattern& instrument : instruments)
        if (instrument.midiNote != noMidiNote)
            text += midiText(instrument.name, instrument.midiNote, instrument.midiChannel) + "\n";
    return text.empty() ? "No instrument sends MIDI" : text;
}

}  // namespace

void runMidiCommand(CommandContext& context, MidiChange change) {
    if (change == MidiChange::list) {
        context.message = midiListText(context.sequencer->getPatternCopies());
    } else {
        const std::string& name = context.names.front();
        PatternPtr instrument = change == MidiChange::set ? context.sequencer->getOrCreatePattern(name)
                                                          : context.sequencer->findPattern(name);
        if (!instrument) throw CommandError("pattern not found: " + name);
        if (change != MidiChange::show) {
            context.sequencer->editPattern(instrument, [&](SequencerPattern& pattern) {
                pattern.midiNote = change == MidiChange::set ? context.midiNote : noMidiNote;
                pattern.midiChannel = change == MidiChange::set ? context.midiChannel : defaultMidiChannel;
            });
        }
        // Only commands change the mapping, one at a time on this thread.
        context.message = midiText(name, instrument->midiNote, instrument->midiChannel);
    }
    if (ParseListener* listener = context.parser->listener) listener->midiUsed();
}

std::string partListText(const std::vector<std::string>& partNames) {
    if (partNames.empty()) {
        return "No parts yet. Use\n=monkey\nto create a new snapshot!\n";
    }
    std::string text;
    for (const std::string& name : partNames) {
        text += "  * " + name + "\n";
    }
    return text;
}

std::string formatVolume(float volume) {
    // Six decimals with a point, whatever the user's locale.
    char buffer[64];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(volume), std::chars_format::fixed, 6);
    if (error != std::errc()) {
        return "?";
    }
    return std::string(buffer, end);
}

}  // namespace zaffo
