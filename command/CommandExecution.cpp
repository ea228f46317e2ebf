#include "command/CommandExecution.h"

#include "command/CommandParser.h"
#include "command/ParseListener.h"
#include "sequencer/Sequencer.h"

#include <tao/pegtl.hpp>

#include <charconv>

namespace zaffo {
namespace {

[[noreturn]] void raisePatternNotFound(const NameToken& name) {
    // Columns of our tokens count from 0, those of the parser's positions from 1.
    tao::pegtl::position where(name.byte, name.line, name.column + 1, "src");
    throw tao::pegtl::parse_error("pattern not found: " + name.text, where);
}

// The instruments of every name, created where a sample of that name is loaded. Instruments
// created for the names before a missing one stay created.
std::vector<PatternPtr> collectInstruments(const CommandContext& context) {
    std::vector<PatternPtr> instruments;
    for (const NameToken& name : context.names) {
        PatternPtr pattern = context.sequencer->getOrCreatePattern(name.text);
        if (!pattern) {
            raisePatternNotFound(name);
        }
        instruments.push_back(std::move(pattern));
    }
    return instruments;
}

bool allAreSamples(ParseListener& listener, const std::vector<NameToken>& names) {
    for (const NameToken& name : names) {
        if (!listener.hasSample(name.text)) {
            return false;
        }
    }
    return true;
}

void auditionOrRecall(CommandContext& context) {
    ParseListener* listener = context.parser->listener;
    if (listener && allAreSamples(*listener, context.names)) {
        for (const NameToken& name : context.names) {
            listener->playSample(name.text);
        }
        return;
    }
    const std::string& first = context.names.front().text;
    if (!context.sequencer->recallPart(first)) {
        context.message = "Unknown part/sample: " + first;
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
                pattern.volume = context.volume;
            }
            applySteps(context.steps, pattern.steps);
            pattern.active = true;
        });
    }
}

void runMuteCommand(CommandContext& context, bool active) {
    for (const PatternPtr& instrument : collectInstruments(context)) {
        context.sequencer->editPattern(instrument,
                                       [&](SequencerPattern& pattern) { pattern.active = active; });
    }
}

void runRemoveCommand(CommandContext& context) {
    for (const NameToken& name : context.names) {
        context.sequencer->removePart(name.text);
        context.sequencer->removePattern(name.text);
    }
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
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(volume),
                                      std::chars_format::fixed, 6);
    if (error != std::errc()) {
        return "?";
    }
    return std::string(buffer, end);
}

}  // namespace zaffo
