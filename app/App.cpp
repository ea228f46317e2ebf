#include "app/App.h"

#include "command/CommandParser.h"
#include "sequencer/Sequencer.h"

namespace zaffo {

App::App(std::string basePath)
    : basePath(std::move(basePath)), packPath(this->basePath + "/samples/default") {
    sequencer = std::make_unique<Sequencer>();
    parser = std::make_unique<CommandParser>(sequencer.get(), nullptr);
    tutorialStep = std::make_unique<uint32_t>(0);
}

App::~App() = default;

void App::run() {
    // The screen, the audio device and the sample library are wired in here as they land;
    // until then there is no loop to run.
}

}  // namespace zaffo
