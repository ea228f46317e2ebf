// What the command language asks of the application.

#include "core/CommandRunner.h"

#include "audio/AudioEngine.h"
#include "command/HelpText.h"
#include "core/Core.h"
#include "core/LinkSession.h"
#include "sequencer/Sequencer.h"
#include "text/Utf8.h"

#include <stdexcept>

namespace zaffo {

CommandRunner::CommandRunner(Core& core, uint32_t& tutorialStep)
    : core(core), tutorialStep(tutorialStep), parser(&core.sequencer(), this) {}

namespace {

std::string trimBlanks(const std::string& line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

// "undone: kick #-", cut to the width of the log.
std::string historyLine(const std::string& done, const std::string& line) {
    std::wstring text = toWide(done + ": " + line);
    if (text.size() > CommandOutput::rowWidth) text = text.substr(0, CommandOutput::rowWidth - 3) + L"...";
    return toUtf8(text);
}

}  // namespace

CommandAnswer CommandRunner::run(const std::string& line) {
    const std::string command = trimBlanks(line);
    UndoState before = currentState();
    const uint64_t edits = core.sequencer().editCount();
    historyMoved = false;
    const ParseResult result = parser.parse(command);
    // Even a failed command may have changed something before it stopped.
    const bool edited = core.sequencer().editCount() != edits || core.packName() != before.pack;
    if (edited && !historyMoved && currentState() != before) history.record(command, std::move(before));
    return makeAnswer(output.take(), result.ok, result.message);
}

UndoState CommandRunner::currentState() { return {core.packName(), core.sequencer().snapshot()}; }

void CommandRunner::restore(const UndoState& state) {
    if (state.pack != core.packName()) core.usePack(toUtf8(state.pack), false, output);
    core.sequencer().restore(state.sequencer);
}

std::string CommandRunner::undo() { return moveInHistory(true); }

std::string CommandRunner::redo() { return moveInHistory(false); }

std::string CommandRunner::moveInHistory(bool back) {
    historyMoved = true;
    auto entry = back ? history.undo(currentState()) : history.redo(currentState());
    if (!entry) throw std::runtime_error(back ? "nothing to undo" : "nothing to redo");
    restore(entry->state);
    return historyLine(back ? "undone" : "redone", entry->line);
}

std::vector<std::string> CommandRunner::sampleNames() { return core.samples().names(); }

void CommandRunner::selectPack(const std::string& name) { core.usePack(name, true, output); }

void CommandRunner::setPlaying(bool on) { core.sequencer().playing = on; }

void CommandRunner::setRecording(bool on) {
    AudioEngine& engine = core.engine();
    core.reportStoppedRecording();
    const bool wasRecording = engine.isRecording();
    // Asking for the state that is already in force changes nothing.
    if (on != wasRecording) {
        core.toggleRecording();
    }
    if (on && !engine.isRecording()) {
        throw std::runtime_error("could not start recording: " + engine.recordPath() + " (" + engine.recordError() +
                                 ")");
    }
    if (on) {
        output.printMessage(L"started recording...", {});
    } else if (wasRecording) {
        output.printMessage(L"saved as " + toWide(engine.recordPath()), {});
    } else {
        output.printMessage(L"not recording", {});
    }
}

void CommandRunner::saveComposition(const std::string& fileName) {
    if (fileName.empty()) {
        output.printMessage(L"Files: ", core.compositionNames());
        return;
    }
    core.saveComposition(fileName);
}

void CommandRunner::loadComposition(const std::string& fileName) {
    if (fileName.empty()) {
        output.printMessage(L"Files: ", core.compositionNames());
        return;
    }
    const bool loaded = core.openComposition(core.compositionPath(fileName), output);
    output.printMessage(loaded ? L"file loaded!" : L"file not found :(", {});
}

void CommandRunner::showHelp(const std::string& topic) { output.printLines(helpLines(topic), LineStyle::help); }

void CommandRunner::startTutorial() {
    tutorialStep = 0;
    nextTutorialPage();
}

void CommandRunner::nextTutorialPage() { output.printLines(nextTutorialLines(tutorialStep), LineStyle::help); }

bool CommandRunner::playSample(const std::string& name) { return core.playSample(name); }

bool CommandRunner::hasSample(const std::string& name) { return core.samples().contains(name); }

float CommandRunner::getVolume() { return core.engine().masterVolume.load(); }

void CommandRunner::setVolume(float volume) { core.engine().masterVolume.store(volume); }

std::string CommandRunner::useLink(std::optional<bool> on) {
    if (on) {
        core.link().enable(*on);
    }
    return core.link().statusLine();
}

void CommandRunner::midiUsed() {
    if (core.sendsMidi() || midiNoticeGiven) return;
    midiNoticeGiven = true;
    output.printLines({"MIDI needs a JACK server"}, LineStyle::alert);
}

std::string CommandRunner::listSamples() {
    const std::vector<std::string> sampleNames = core.samples().names();
    if (sampleNames.empty()) {
        return "You have no samples loaded.\nVery strange!";
    }
    std::string text;
    size_t rowWidth = 0;
    for (const std::string& name : sampleNames) {
        if (rowWidth + name.size() + 1 > CommandOutput::rowWidth) {
            text += "\n";
            rowWidth = 0;
        }
        text += name + " ";
        rowWidth += name.size() + 1;
    }
    return text;
}

}  // namespace zaffo
