#include "app/App.h"

#include "app/AppScreen.h"
#include "app/LinkSession.h"
#include "ui/ScreenInteractive.h"

#include "audio/AudioEngine.h"
#include "command/CommandParser.h"
#include "library/UserLib.h"
#include "sequencer/Sequencer.h"

namespace zaffo {

App::App(std::string basePath) : basePath(std::move(basePath)), packPath(this->basePath + "/samples/default") {
    engine = std::make_unique<AudioEngine>();
    sequencer = std::make_unique<Sequencer>();
    link = std::make_unique<LinkSession>(*sequencer);
    parser = std::make_unique<CommandParser>(sequencer.get(), this);
    tutorialStep = std::make_unique<uint32_t>(0);
    userLib = std::make_unique<UserLib>(this->basePath + "/samples");

    engine->onPeriod = [this](int frameCount, int sampleRate) {
        link->tick(frameCount, sampleRate, engine->outputLatencyFrames());
    };
    // Neither needs the screen, so they are in place before anything can create an instrument.
    sequencer->onTrigger = [this](const PatternPtr& pattern, int step, int32_t startFrame) {
        triggerSample(*pattern, step, startFrame);
    };
    sequencer->sampleExists = [this](const std::string& name) { return sampleLoaded(name); };

    usePack("default", false);
}

App::~App() {
    // The audio thread and the watcher thread call into what is destroyed next; stop them first.
    engine->stopDevice();
    userLib.reset();
}

void App::run() {
    const bool sounding = engine->startDevice();
    log.showWelcome();
    // The line on standard output is hidden by the screen; the log says it where it is seen.
    if (!sounding) log.printNow(L"No audio device: nothing will sound", ui::color(ui::Color::Red));
    AppScreen screen(*this);
    auto terminal = ui::ScreenInteractive::Fullscreen();
    sequencer->setOnStep([&terminal](int, int32_t) { terminal.PostEvent(ui::Event::Custom); });
    engine->setOnRecordingStopped([&terminal] { terminal.PostEvent(ui::Event::Custom); });
    link->setOnPeersChanged([&terminal] { terminal.PostEvent(ui::Event::Custom); });
    auto root = ui::CatchEvent(screen.root(), [this](const ui::Event& event) {
        if (event == ui::Event::Custom) reportStoppedRecording();
        return false;
    });
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
    engine->stopDevice();
    sequencer->setOnStep(nullptr);
    engine->setOnRecordingStopped(nullptr);
    link->setOnPeersChanged(nullptr);
}

void App::triggerSample(const SequencerPattern& pattern, int step, int32_t startFrame) {
    std::shared_ptr<AudioBuffer> buffer = samples.find(pattern.name);
    if (!buffer) {
        return;  // the sample went away while its instrument stayed
    }
    const bool onStep = step >= 0 && step < stepsPerPattern;
    // The voice takes this reference over, so the audio thread never lets go of the last one.
    engine->play(std::move(buffer), onStep ? pattern.volume : 1.0f, onStep ? pattern.steps[step].pitch : 0,
                 static_cast<uint32_t>(startFrame));
}

bool App::sampleLoaded(const std::string& name) { return samples.contains(name); }

std::vector<std::string> App::sampleNamesNow() { return samples.names(); }

}  // namespace zaffo
