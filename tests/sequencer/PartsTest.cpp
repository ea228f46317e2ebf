// Scripts of operations on a sequencer against the instruments and parts they leave behind.
#include "sequencer/PatternGrammar.h"
#include "sequencer/Sequencer.h"
#include "tests/sequencer/Describe.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zaffo {
namespace {

struct Case {
    const char* script;   // operations separated by ", "
    const char* answers;  // what the operations that answer said, one digit each
    const char* live;     // as testing::describeLive shows them
    const char* parts;
    int bpm = 120;
};

const Case cases[] = {
    // Instruments exist only for loaded samples, once per name, playing and empty.
    {"store a, new boom, recall a", "101", "", "a"},
    {"new kick, new kick", "11", "kick -------- 1 0 on", ""},
    {"nosamples, new kick", "0", "", ""},
    // Instruments created later reach every part muted, as copies of their own.
    {"store a, store b, new hh, recall a", "1111", "hh -------- 1 0 off", "a b"},
    {"store a, store b, new hh, recall b", "1111", "hh -------- 1 0 off", "a b"},
    {"set kick 1 #-, store a, set hh 0.7 #-, recall a", "11", "kick #-#-#-#- 1 0 on; hh -------- 1 0 off", "a"},
    // Storing again replaces the part in its place; a live instrument's name stores nothing.
    {"set kick 0.5 #-, store a, store b, set kick 0.25 -, store a, recall a", "1111", "kick -------- 0.25 0 on", "a b"},
    {"set kick 0.5 #-, store a, store b, set kick 0.25 -, store a, recall b", "1111", "kick #-#-#-#- 0.5 0 on", "a b"},
    {"new kick, store kick", "10", "kick -------- 1 0 on", ""},
    // Parts hold copies that neither editing before nor after a recall changes.
    {"set kick 0.5 #-, store a, set kick 0.9 -, recall a, set kick 0.1 -, recall a", "111", "kick #-#-#-#- 0.5 0 on",
     "a"},
    // Recalling sets the stored tempo and drops instruments the part does not hold.
    {"tempo 140, new kick, store a, tempo 100, new snare, drop snare, new snare, recall a, recall x", "111110",
     "kick -------- 1 0 on; snare -------- 1 0 off", "a", 140},
    {"store a, store b, droppart a, droppart a", "1110", "", "b"},
    // Removing and renaming reach the live list and every part.
    {"new kick, new snare, store a, drop kick, drop nothing", "111", "snare -------- 1 0 on", "a"},
    {"new kick, new snare, store a, drop kick, recall a", "1111", "snare -------- 1 0 on", "a"},
    {"new kick, store a, rename kick boom, find kick, find boom", "1101", "boom -------- 1 0 on", "a"},
    {"new kick, store a, rename kick boom, recall a", "111", "boom -------- 1 0 on", "a"},
    // Clearing empties instruments and parts but keeps the tempo.
    {"new kick, store a, tempo 99, clear", "11", "", "", 99},
};

// Runs one operation; returns '0' or '1' for those that answer, 0 for the others.
char runOperation(Sequencer& sequencer, const std::string& operation) {
    std::istringstream words(operation);
    std::string verb, name, other;
    float volume = 0;
    words >> verb >> name;
    if (verb == "nosamples") sequencer.sampleExists = nullptr;
    if (verb == "tempo") sequencer.bpm = std::stoi(name);
    if (verb == "drop") sequencer.removePattern(name);
    if (verb == "rename" && words >> other) sequencer.renamePattern(name, other);
    if (verb == "clear") sequencer.clearAll();
    if (verb == "set" && words >> volume >> other) {
        std::vector<Step> parsed;
        EXPECT_TRUE(pattern_grammar::readPattern(other, parsed)) << other;
        sequencer.editPattern(sequencer.getOrCreatePattern(name), [&](SequencerPattern& pattern) {
            pattern.volume = volume;
            applySteps(parsed, pattern.steps);
        });
    }
    if (verb == "new") return sequencer.getOrCreatePattern(name) ? '1' : '0';
    if (verb == "find") return sequencer.findPattern(name) ? '1' : '0';
    if (verb == "store") return sequencer.storePart(name) ? '1' : '0';
    if (verb == "recall") return sequencer.recallPart(name) ? '1' : '0';
    if (verb == "droppart") return sequencer.removePart(name) ? '1' : '0';
    return 0;
}

TEST(LiveListAndParts, ScriptsLeaveTheirInstrumentsAndParts) {
    for (const Case& c : cases) {
        Sequencer sequencer;
        sequencer.sampleExists = [](const std::string& name) {
            return name == "kick" || name == "snare" || name == "hh";
        };
        std::string answers, operation;
        std::istringstream script(c.script);
        while (std::getline(script >> std::ws, operation, ',')) {
            if (char answer = runOperation(sequencer, operation)) answers += answer;
        }
        EXPECT_EQ(answers, c.answers) << c.script;
        EXPECT_EQ(testing::describeLive(sequencer), c.live) << c.script;
        EXPECT_EQ(testing::join(sequencer.getPartNames(), " "), c.parts) << c.script;
        EXPECT_EQ(sequencer.bpm.load(), c.bpm) << c.script;
    }
}

}  // namespace
}  // namespace zaffo
