#include "core/Core.h"

#include "audio/AudioEngine.h"
#include "audio/JackDevice.h"
#include "audio/SdlDevice.h"
#include "audio/SilentDevice.h"
#include "core/LinkSession.h"
#include "core/LossWatch.h"
#include "core/MidiWriter.h"
#include "library/PackFolders.h"
#include "library/UserLib.h"
#include "sequencer/Sequencer.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace zaffo {
namespace {

// The words of the text in rows of at most `width` characters; a longer word has a row of its own.
std::vector<std::string> wordRows(const std::string& text, std::size_t width) {
    std::vector<std::string> rows;
    std::string row;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        if (!row.empty() && row.size() + 1 + word.size() > width) rows.push_back(std::exchange(row, ""));
        row += (row.empty() ? "" : " ") + word;
    }
    if (!row.empty()) rows.push_back(row);
    return rows;
}

}  // namespace

Core::Core(std::string basePath, Mode mode, NoticeSink notices)
    : basePath_(std::move(basePath)), notices_(std::move(notices)), midiQueue_(std::make_unique<MidiQueue>()) {
    const bool live = mode == Mode::live;
    engine_ = std::make_unique<AudioEngine>(AudioEngine::defaultVoiceCapacity,
                                            live ? AudioEngine::Release::ownThread : AudioEngine::Release::eachPeriod);
    sequencer_ = std::make_unique<Sequencer>();
    link_ = std::make_unique<LinkSession>(*sequencer_);
    if (live) library_ = std::make_unique<UserLib>(basePath_ + "/samples");
    midiWriter_ = std::make_unique<MidiWriter>(*sequencer_, *midiQueue_);
    addPeriodReader(*midiWriter_);
    engine_->onPeriod = [this](int frameCount, int sampleRate) { playPeriod(frameCount, sampleRate); };
    sequencer_->sampleExists = [this](const std::string& name) { return samples_.contains(name); };
    CommandOutput unheard;  // a pack loaded at start shows no readme, and nobody asked for it
    usePack("default", false, unheard);
    for (const AnswerLine& line : unheard.take()) notices_(line);
}

Core::~Core() {
    // The audio thread and the watcher's threads call into what is destroyed next; a fallback
    // under way would start a device again.
    jackLoss_.reset();
    stopSound();
    library_.reset();
}

bool Core::startSound() {
    if (startJack()) return true;
    std::string failure;
    const AudioDevice::StartResult result = engine_->startDevice(std::make_unique<SdlDevice>(&failure));
    if (result == AudioDevice::StartResult::started) return true;
    std::fputs(result == AudioDevice::StartResult::openFailed ? "Failed to open playback device.\n"
                                                              : "Failed to start playback device.\n",
               stdout);
    std::fflush(stdout);
    engine_->startDevice(std::make_unique<SilentDevice>());
    notices_({"No sound card: time and takes go on silently", LineStyle::alert});
    for (const std::string& row : wordRows(failure, CommandOutput::rowWidth)) notices_({row, LineStyle::plain});
    notices_({"Start PulseAudio/PipeWire or set SDL_AUDIODRIVER", LineStyle::plain});
    return false;
}

bool Core::startJack() {
    engine_->stopDevice();  // a JACK device that runs still calls the watch
    jackLoss_.reset();
    auto loss = std::make_unique<LossWatch>([this] { fallBackFromJack(); });
    auto device = std::make_unique<JackDevice>([watch = loss.get()] { watch->lost(); }, midiQueue_.get());
    if (engine_->startDevice(std::move(device)) != AudioDevice::StartResult::started) return false;
    jackLoss_ = std::move(loss);
    return true;
}

void Core::fallBackFromJack() {
    if (engine_->startDevice(std::make_unique<SdlDevice>()) == AudioDevice::StartResult::started) {
        notices_({"The JACK server has gone: playing through the sound card.", LineStyle::alert});
        return;
    }
    engine_->startDevice(std::make_unique<SilentDevice>());
    notices_({"The JACK server has gone, and no sound card opens: nothing will sound.", LineStyle::alert});
}

bool Core::startDevice(std::unique_ptr<AudioDevice> device) {
    return engine_->startDevice(std::move(device)) == AudioDevice::StartResult::started;
}

void Core::stopSound() { engine_->stopDevice(); }

bool Core::sendsMidi() const { return midiQueue_->isOpen(); }

void Core::addPeriodReader(PeriodReader& reader) { readers_.push_back(&reader); }

void Core::removePeriodReader(PeriodReader& reader) { std::erase(readers_, &reader); }

// The clock reports the period; once it has let go of its lock, the readers see the report and
// the steps and triggers are acted on in the order they happened. Voices started here sound in
// this same period, from the frame of their step.
void Core::playPeriod(int frameCount, int sampleRate) {
    report_.clear();
    report_.setFrames(frameCount);
    link_->tick(frameCount, sampleRate, engine_->outputLatencyFrames(), engine_->devicePeriodTime(), report_);
    for (PeriodReader* reader : readers_) reader->readPeriod(report_);
    for (const ClockEvent& event : report_.events()) {
        if (event.kind == ClockEvent::Kind::trigger) {
            onTrigger(event);
        } else if (onStep && (event.kind == ClockEvent::Kind::step || event.fromOutside)) {
            onStep(event.step, event.kind == ClockEvent::Kind::step ? event.frame : 0);
        }
    }
}

void Core::onTrigger(const ClockEvent& trigger) {
    std::shared_ptr<AudioBuffer> buffer = samples_.find(trigger.instrument->name);
    if (!buffer) {
        return;  // the sample went away while its instrument stayed
    }
    // The voice takes this reference over, so the audio thread never lets go of the last one.
    const int bus = busOf ? busOf(trigger.instrument->name) : VoicePool::noBus;
    engine_->play(std::move(buffer), trigger.volume, trigger.pitch, static_cast<uint32_t>(trigger.frame), bus);
}

bool Core::playSample(const std::string& name) {
    std::shared_ptr<AudioBuffer> buffer = samples_.find(name);
    if (!buffer) {
        return false;
    }
    engine_->play(std::move(buffer), 1.0f, 0);
    return true;
}

std::vector<std::wstring> Core::packNames() const {
    if (!library_) return listPacks(basePath_ + "/samples");
    return *library_->packNames();
}

}  // namespace zaffo
