#pragma once

#include "app/MessageLog.h"
#include "app/SampleTable.h"
#include "command/ParseListener.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zaffo {

class AudioBuffer;
class AudioEngine;
class CommandParser;
class LinkSession;
class Sequencer;
class UserLib;
struct SequencerPattern;

// The application: owns every long-lived part of the program, wires them together, and carries
// out what the command language asks of it.
class App : public ParseListener {
public:
    explicit App(std::string basePath);
    ~App() override;
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Starts the sound, shows the screen and plays until the screen loop ends.
    void run();

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

    // Empties the sample table and all instruments and loads the pack of that name; an empty
    // name lists the packs instead.
    void usePack(const std::string& name, bool showReadme);
    // Makes the composition in the file the live state, after switching to the pack it names;
    // false when the file holds no composition.
    bool openComposition(const std::string& path);
    // Adds, replaces or (with an empty buffer) removes the sample named after the file.
    void setSample(std::string path, std::shared_ptr<AudioBuffer> buffer);

    CommandParser& commandParser() { return *parser; }
    Sequencer& sequencerOf() { return *sequencer; }
    AudioEngine& audioEngine() { return *engine; }
    LinkSession& linkSession() { return *link; }
    MessageLog& messageLog() { return log; }
    UserLib& userLibrary() { return *userLib; }
    std::vector<std::string> sampleNamesNow();
    std::wstring currentPackName() const { return packName; }
    // The Record box: starts a take, or stops the one running (or one that ended on its own).
    void toggleRecording();

private:
    // The sequencer's trigger: starts the instrument's sample at its step's pitch.
    void triggerSample(const SequencerPattern& pattern, int step, int32_t startFrame);
    bool sampleLoaded(const std::string& name);
    // Says so in the log when a write error has ended the recording, and clears the Record box.
    bool reportStoppedRecording();
    // Stops the threads that post to the screen, before it goes away.
    void stopTalkingToTheScreen();
    void installSampleHandlers();
    // The live-reload handlers: each reads with no lock held and returns the update to make.
    std::function<void()> sampleChanged(const std::string& path, bool lastTry);
    void sampleRemoved(const std::string& path);
    std::function<void()> sampleMoved(const std::string& oldPath, const std::string& newPath);
    void reportTooLong(const std::string& path);
    std::string compositionPath(const std::string& fileName) const;
    std::vector<std::wstring> compositionNames() const;

    std::unique_ptr<Sequencer> sequencer;
    std::unique_ptr<AudioEngine> engine;
    std::unique_ptr<LinkSession> link;
    std::unique_ptr<UserLib> userLib;
    std::unique_ptr<CommandParser> parser;
    std::unique_ptr<uint32_t> tutorialStep;
    SampleTable samples;
    std::string basePath;
    std::string packPath;
    MessageLog log;
    std::wstring packName;
};

}  // namespace zaffo
