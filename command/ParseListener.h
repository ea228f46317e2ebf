#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zaffo {

// What the command language asks of the application: packs, playback, recording, files, help,
// the tutorial, auditioning samples, the master volume and playing in time with others.
struct ParseListener {
    virtual void selectPack(const std::string& packName) = 0;
    virtual void setPlaying(bool on) = 0;
    virtual void setRecording(bool on) = 0;
    virtual void saveComposition(const std::string& fileName) = 0;
    virtual void loadComposition(const std::string& fileName) = 0;
    virtual void showHelp(const std::string& topic) = 0;
    virtual void startTutorial() = 0;
    virtual void nextTutorialPage() = 0;
    // Starts the sample at volume 1 and its own pitch; false when no such sample is loaded.
    virtual bool playSample(const std::string& sampleName) = 0;
    virtual bool hasSample(const std::string& sampleName) = 0;
    virtual float getVolume() = 0;
    virtual void setVolume(float volume) = 0;
    // The loaded sample names as text wrapped in rows.
    virtual std::string listSamples() = 0;
    // Turns Link (tempo, phase and start/stop shared with other players) on or off, or with no
    // value leaves it as it is; returns the line that says how it stands.
    virtual std::string useLink(std::optional<bool> on) = 0;
    // The names of the loaded samples, in the order they are listed.
    virtual std::vector<std::string> sampleNames() = 0;
    // Brings back the music as it was before the last command that changed it, or as it was
    // after the last command undone; returns the line that says which command that was.
    virtual std::string undo() = 0;
    virtual std::string redo() = 0;
    // A `midi` command ran: says, once, when nothing can carry the notes.
    virtual void midiUsed() {}
    virtual ~ParseListener() = default;
};

}  // namespace zaffo
