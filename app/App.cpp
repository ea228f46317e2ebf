#include "app/App.h"

#include "app/AppScreen.h"
#include "app/CommandSocket.h"
#include "app/QuietStandardError.h"
#include "audio/AudioEngine.h"
#include "core/LinkSession.h"
#include "ui/ScreenInteractive.h"

namespace zaffo {

// News from the core's start (a sample too long to load) waits in the log below the welcome.
App::App(std::string basePath)
    : core_(std::move(basePath), Core::Mode::live, [this](const AnswerLine& line) { log.printNow(line); }),
      commands_(core_, tutorialStep) {}

App::~App() { stopTalkingToTheScreen(); }

void App::run() {
    log.showWelcome();
    AppScreen screen(core_, log, commands_);
    auto terminal = ui::ScreenInteractive::Fullscreen();
    // Set while no device runs: from here on the audio thread may call it.
    core_.onStep = [&terminal](int, int32_t) { terminal.PostEvent(ui::Event::Custom); };
    core_.engine().setOnRecordingStopped([&terminal] { terminal.PostEvent(ui::Event::Custom); });
    core_.link().setOnPeersChanged([&terminal] { terminal.PostEvent(ui::Event::Custom); });
    // From the sound card's opening to its closing, nothing writes across the screen.
    QuietStandardError quiet;
    // Without a sound card the log says how to get sound, where the musician looks.
    core_.startSound();
    auto root = ui::CatchEvent(screen.root(), [this](const ui::Event& event) {
        if (event == ui::Event::Custom) core_.reportStoppedRecording();
        return false;
    });
    // Declared after the screen it posts to, so it stops first.
    CommandSocket sentCommands(terminal, screen, log);
    screen.commandInput()->TakeFocus();
    try {
        terminal.Loop(root);
    } catch (...) {
        stopTalkingToTheScreen();
        throw;
    }
    stopTalkingToTheScreen();
}

void App::stopTalkingToTheScreen() {
    core_.stopSound();
    core_.onStep = nullptr;
    core_.engine().setOnRecordingStopped(nullptr);
    core_.link().setOnPeersChanged(nullptr);
}

}  // namespace zaffo
