#pragma once

#include "command/ParseListener.h"

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace zaffo {

// Records every call that the command language makes of the application.
struct FakeListener : ParseListener {
    void selectPack(const std::string& name) override { record("selectPack(" + name + ")"); }
    void setPlaying(bool on) override { record(on ? "play" : "stop"); }
    void setRecording(bool on) override { record(on ? "record(start)" : "record(stop)"); }
    void saveComposition(const std::string& name) override { record("save(" + name + ")"); }
    void loadComposition(const std::string& name) override { record("load(" + name + ")"); }
    void showHelp(const std::string& topic) override { record("help(" + topic + ")"); }
    void startTutorial() override { record("tutorial"); }
    void nextTutorialPage() override { record("next"); }
    bool playSample(const std::string& name) override {
        if (!samples.count(name)) return false;
        record("audition(" + name + ")");
        return true;
    }
    bool hasSample(const std::string& name) override { return samples.count(name) > 0; }
    float getVolume() override { return volume; }
    void setVolume(float v) override { record("volume(" + std::to_string(volume = v) + ")"); }
    std::string listSamples() override { return "kick snare\n"; }
    std::string useLink(std::optional<bool> on) override {
        record(on ? (*on ? "link(on)" : "link(off)") : "link()");
        return "Link is off";
    }

    void record(const std::string& call) {
        calls.push_back(call);
        if (call == failOn) throw std::runtime_error(failure);
    }

    std::set<std::string> samples = {"kick", "snare", "hh", "next", "link", "808", "hi-hat", "808 909"};
    std::vector<std::string> calls;
    float volume = 1.0f;
    std::string failOn;  // a call that throws `failure` after it is recorded
    std::string failure = "no room";
};

}  // namespace zaffo
