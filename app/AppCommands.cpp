// What the command language asks of the application.

#include "app/App.h"

#include "app/LinkSession.h"
#include "audio/AudioEngine.h"
#include "command/HelpText.h"
#include "library/UserLib.h"
#include "sequencer/Sequencer.h"
#include "text/Utf8.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace zaffo {
namespace {

std::vector<std::wstring> decodeLines(const std::vector<std::string>& lines) {
    std::vector<std::wstring> decoded;
    decoded.reserve(lines.size());
    for (const std::string& line : lines) decoded.push_back(toWide(line));
    return decoded;
}

// The local time as 2024-03-05.21_07_09, for the names of recordings.
std::string timestampNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d.%H_%M_%S", &local);
    return text;
}

// A recording's name that no file has yet: two takes started within one second get "_2", "_3"...
std::string freeRecordingPath(const std::string& basePath) {
    const std::string stem = basePath + "/recording_" + timestampNow();
    std::string path = stem + ".wav";
    for (int n = 2; std::filesystem::exists(path) && n < 1000; ++n) {
        path = stem + "_" + std::to_string(n) + ".wav";
    }
    return path;
}

}  // namespace

void App::selectPack(const std::string& name) { usePack(name, true); }

void App::setPlaying(bool on) { sequencer->playing = on; }

void App::toggleRecording() {
    // A take that ended on its own was what the box showed; clicking it now means stop.
    if (reportStoppedRecording()) {
        return;
    }
    if (engine->isRecording()) {
        engine->stopRecording();
    } else {
        engine->startRecording(freeRecordingPath(basePath));
    }
}

bool App::reportStoppedRecording() {
    auto stopped = engine->takeStoppedRecording();
    if (!stopped) {
        return false;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", stopped->seconds);
    log.printNow(toWide("recording stopped: " + stopped->reason + "; kept " + seconds + " s in " + stopped->path),
                 ui::color(ui::Color::Red));
    return true;
}

void App::setRecording(bool on) {
    reportStoppedRecording();
    const bool wasRecording = engine->isRecording();
    // Asking for the state that is already in force changes nothing.
    if (on != wasRecording) {
        toggleRecording();
    }
    if (on && !engine->isRecording()) {
        throw std::runtime_error("could not start recording: " + engine->recordPath() + " (" + engine->recordError() +
                                 ")");
    }
    if (on) {
        log.printMessage(L"started recording...", {});
    } else if (wasRecording) {
        log.printMessage(L"saved as " + toWide(engine->recordPath()), {});
    } else {
        log.printMessage(L"not recording", {});
    }
}

void App::showHelp(const std::string& topic) {
    log.printLines(decodeLines(helpLines(topic)), ui::color(ui::Color::CyanLight));
}

void App::startTutorial() {
    *tutorialStep = 0;
    nextTutorialPage();
}

void App::nextTutorialPage() {
    log.printLines(decodeLines(nextTutorialLines(*tutorialStep)), ui::color(ui::Color::CyanLight));
}

bool App::playSample(const std::string& name) {
    std::shared_ptr<AudioBuffer> buffer = samples.find(name);
    if (!buffer) {
        return false;
    }
    engine->play(std::move(buffer), 1.0f, 0);
    return true;
}

bool App::hasSample(const std::string& name) { return sampleLoaded(name); }

float App::getVolume() { return engine->masterVolume.load(); }

void App::setVolume(float volume) { engine->masterVolume.store(volume); }

std::string App::useLink(std::optional<bool> on) {
    if (on) {
        link->enable(*on);
    }
    return link->statusLine();
}

std::string App::listSamples() {
    const std::vector<std::string> sampleNames = samples.names();
    if (sampleNames.empty()) {
        return "You have no samples loaded.\nVery strange!";
    }
    std::string text;
    size_t rowWidth = 0;
    for (const std::string& name : sampleNames) {
        if (rowWidth + name.size() + 1 > MessageLog::rowWidth) {
            text += "\n";
            rowWidth = 0;
        }
        text += name + " ";
        rowWidth += name.size() + 1;
    }
    return text;
}

}  // namespace zaffo
