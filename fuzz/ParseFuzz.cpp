// Any bytes typed as one line: the parser must answer, never crash, hang or overflow.

#include "command/CommandParser.h"
#include "command/ParseListener.h"
#include "sequencer/Sequencer.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Answers like an application with a few samples loaded, so that every road is taken.
struct SamplesListener : zaffo::ParseListener {
    void selectPack(const std::string&) override {}
    void setPlaying(bool) override {}
    void setRecording(bool) override {}
    void saveComposition(const std::string&) override {}
    void loadComposition(const std::string&) override {}
    void showHelp(const std::string&) override {}
    void startTutorial() override {}
    void nextTutorialPage() override {}
    bool playSample(const std::string& name) override { return hasSample(name); }
    bool hasSample(const std::string& name) override { return name.size() <= 4; }
    float getVolume() override { return 1.0f; }
    void setVolume(float) override {}
    std::string listSamples() override { return "a b\n"; }
    std::string useLink(std::optional<bool>) override { return "Link is off"; }
    std::vector<std::string> sampleNames() override { return {"kick", "hh"}; }
    std::string undo() override { return ""; }
    std::string redo() override { return ""; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static zaffo::Sequencer sequencer;
    static SamplesListener listener;
    static zaffo::CommandParser parser(&sequencer, &listener);
    sequencer.sampleExists = [](const std::string& name) { return name.size() <= 4; };

    const std::string line(reinterpret_cast<const char*>(data), size);
    parser.parse(line);
    // Keep the clock going over whatever the lines left behind.
    static zaffo::PeriodReport report;
    report.clear();
    sequencer.tick(4096, 96000, report);
    if (sequencer.getPatterns().size() > 64) sequencer.clearAll();
    return 0;
}
