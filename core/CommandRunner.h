#pragma once

#include "command/CommandParser.h"
#include "command/ParseListener.h"
#include "core/CommandAnswer.h"
#include "core/UndoHistory.h"

#include <cstdint>
#include <string>

namespace zaffo {

class Core;

// Runs command lines against a core: the command language's link to the application. Every
// line gives one answer with all that it printed, whoever typed or sent it. Commands run one at
// a time, on the thread that owns the runner.
class CommandRunner : public ParseListener {
public:
    // `tutorialStep` is the tutorial page counter, kept by whoever shows the pages.
    CommandRunner(Core& core, uint32_t& tutorialStep);

    // Blanks around the line are ignored. A line that changes the instruments, the parts, the
    // tempo or the pack can be undone.
    CommandAnswer run(const std::string& line);

    // ParseListener.
    void selectPack(const std::string& packName) override;
    void setPlaying(bool on) override;
    void setRecording(bool on) override;
    void saveComposition(const std::string& fileName) override;
    void loadComposition(const std::string& fileName) override;
    void showHelp(const std::string& topic) override;
    void startTutorial() override;
    void nextTutorialPage() override;
    bool playSample(const std::string& sampleName) override;
    bool hasSample(const std::string& sampleName) override;
    float getVolume() override;
    void setVolume(float volume) override;
    std::string listSamples() override;
    std::string useLink(std::optional<bool> on) override;
    std::vector<std::string> sampleNames() override;
    std::string undo() override;
    std::string redo() override;
    void midiUsed() override;

private:
    UndoState currentState();
    void restore(const UndoState& state);
    // Back (undo) or forth (redo) a step: "undone: LINE", or the error "nothing to undo".
    std::string moveInHistory(bool back);

    Core& core;
    uint32_t& tutorialStep;
    CommandOutput output;
    CommandParser parser;
    UndoHistory history;
    bool historyMoved = false;  // the line running is an undo or a redo
    bool midiNoticeGiven = false;
};

}  // namespace zaffo
