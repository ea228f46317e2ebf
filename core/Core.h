#pragma once

#include "audio/AudioDevice.h"
#include "core/CommandAnswer.h"
#include "core/SampleTable.h"
#include "sequencer/PeriodReport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zaffo {

class AudioBuffer;
class AudioEngine;
class LinkSession;
class LossWatch;
class MidiQueue;
class MidiWriter;
class Sequencer;
class UserLib;

// Reads each period's report on the audio thread, after the clock has let go of its lock and
// before the period's steps and triggers are acted on. It may drop triggers. It must not
// allocate, free, touch files or wait.
struct PeriodReader {
    virtual void readPeriod(PeriodReport& report) = 0;
    virtual ~PeriodReader() = default;
};

// The instrument without its screen: the sequencer and its clock, the audio engine and its
// device, the sample table and the pack it came from, the sample library with its watcher, and
// the Link session. It plays, records, loads and saves; it knows nothing of terminals. The
// interactive program wraps a screen around it; the offline renderer and tests use it alone.
class Core {
public:
    // Live: the pack's files are watched and their changes taken in while the core runs, and
    // the engine lets go of old buffers on a thread of its own, so periods can keep to real time.
    // Offline: none of that; the core starts no thread, inotify instance or reload thread, and
    // everything happens on the threads that call it (sample decoding aside).
    enum class Mode { live, offline };
    // Where news that no command asked for goes (a sample too long to load found by the reload
    // thread, a take that a write error ended): any thread may send it.
    using NoticeSink = std::function<void(const AnswerLine& line)>;

    // Loads the pack "default".
    Core(std::string basePath, Mode mode, NoticeSink notices);
    ~Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    // Sound through a JACK server when one runs, else through the sound card; when none opens,
    // says so on standard output, tells the notices which drivers were tried and how to get
    // sound, and keeps time with a silent device instead. True when a server or a sound card
    // plays. Should the server go away, the sound card (or the silent device) takes over, with a
    // notice.
    bool startSound();
    // Plays through this device instead (the offline renderer's); false when it does not start.
    bool startDevice(std::unique_ptr<AudioDevice> device);
    void stopSound();
    // Whether the device that plays sends MIDI (a JACK server's). Any thread.
    bool sendsMidi() const;

    // Called on the audio thread for each step that begins (with the frame of the period at which
    // it begins) and when another player changes the tempo or the play state (with the step the
    // clock stands on, and 0). Set only while no device runs.
    std::function<void(int step, int32_t startFrame)> onStep;
    // The engine's bus for an instrument's voices (offline stems), or none when unset. Called on
    // the audio thread; set only while no device runs.
    std::function<int(const std::string& instrument)> busOf;
    // Readers of every period's report, in the order added. Added and removed only while no
    // device runs.
    void addPeriodReader(PeriodReader& reader);
    void removePeriodReader(PeriodReader& reader);

    Sequencer& sequencer() { return *sequencer_; }
    AudioEngine& engine() { return *engine_; }
    LinkSession& link() { return *link_; }
    const SampleTable& samples() const { return samples_; }
    const std::string& basePath() const { return basePath_; }
    // The current pack's name. Interface thread.
    const std::wstring& packName() const { return packName_; }
    // The packs in the samples folder, as last seen.
    std::vector<std::wstring> packNames() const;

    // Empties the sample table and all instruments and parts and loads the pack of that name;
    // an empty name lists the packs instead. What it has to say goes to `output`.
    void usePack(const std::string& name, bool showReadme, CommandOutput& output);
    // Adds, replaces or (with an empty buffer) removes the sample named after the file.
    void setSample(std::string path, std::shared_ptr<AudioBuffer> buffer);
    // Starts the sample at volume 1 and its own pitch with the next period; false when no
    // sample of that name is loaded.
    bool playSample(const std::string& name);

    // Writes the live state and the pack's name to NAME.json in the base folder, through a
    // temporary file; throws when it cannot.
    void saveComposition(const std::string& name);
    // Makes the composition in the file the live state, after switching to the pack it names;
    // false when the file holds no composition.
    bool openComposition(const std::string& path, CommandOutput& output);
    std::string compositionPath(const std::string& name) const;
    std::vector<std::wstring> compositionNames() const;

    // The Record box: starts a take in a new file beside the program, or stops the one running
    // (or one that ended on its own).
    void toggleRecording();
    // When a write error has ended the take: says so as a notice, and true, once.
    bool reportStoppedRecording();

private:
    bool startJack();
    void fallBackFromJack();
    void playPeriod(int frameCount, int sampleRate);
    void onTrigger(const ClockEvent& trigger);
    void installSampleHandlers();
    // The live-reload handlers: each reads with no lock held and returns the update to make.
    std::function<void()> sampleChanged(const std::string& path, bool lastTry);
    void sampleRemoved(const std::string& path);
    std::function<void()> sampleMoved(const std::string& oldPath, const std::string& newPath);

    std::string basePath_;
    NoticeSink notices_;
    std::unique_ptr<MidiQueue> midiQueue_;  // outlives any device that sends from it
    std::unique_ptr<AudioEngine> engine_;
    std::unique_ptr<Sequencer> sequencer_;
    std::unique_ptr<LinkSession> link_;
    SampleTable samples_;
    std::unique_ptr<UserLib> library_;  // none offline
    std::string packPath_;
    std::wstring packName_;
    PeriodReport report_;
    std::vector<PeriodReader*> readers_;
    std::unique_ptr<MidiWriter> midiWriter_;
    std::unique_ptr<LossWatch> jackLoss_;  // while a JACK device plays
};

}  // namespace zaffo
