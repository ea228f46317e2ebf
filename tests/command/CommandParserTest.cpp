// Lines typed one after another against the last line's result, the calls made of the
// application and the instruments and parts left behind.
#include "FakeListener.h"
#include "command/CommandParser.h"
#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zaffo {
namespace {

struct Case {
    std::vector<std::string> lines;
    bool ok;
    const char* message;      // of the last line
    const char* calls;        // listener calls of the last line, joined by "; "
    const char* instruments;  // "name pattern volume rand on|off", joined by "; "
    const char* parts = "";
    const char* failOn = "";  // a listener call that throws "no room"
};

const Case cases[] = {
    // An edit changes only what its line gives, and unmutes.
    {{"kick 0.5 #-# &3", ".kick", "kick &4"}, true, "", "", "kick #-##-##- 0.5 4 on"},
    {{"kick 0.5 #-# &3", ".kick", "kick 0.25"}, true, "", "", "kick #-##-##- 0.25 3 on"},
    // A name that is no sample stops the line, but instruments made before it stay, without steps.
    {{"kick xyz #-"}, false, "pattern not found: xyz", "", "kick -------- 1 0 on"},
    // Names alone audition samples, or recall the part named first when they are not all samples.
    {{"kick #-", "=a", "kick #", "a"}, true, "", "", "kick #-#-#-#- 1 0 on", "a"},
    {{"kick #-", "=a", "kick #", "a kick"}, true, "", "", "kick #-#-#-#- 1 0 on", "a"},
    {{"kick #-", "=a", "kick"}, true, "", "audition(kick)", "kick #-#-#-#- 1 0 on", "a"},
    // Parts are stored, listed and removed; a live instrument's name stores nothing, silently.
    {{"kick #-", "= a ", "=b", "=kick", "parts"}, true, "  * a\n  * b\n", "", "kick #-#-#-#- 1 0 on", "a b"},
    {{"kick #-", "=a", "=b", "/ a kick"}, true, "", "", "", "b"},
    {{"/nothing"}, true, "", "", ""},
    {{"kick #-", "=a", "/ "}, true, "", "", ""},
    // Numbers too large for their field change nothing.
    {{"kick 0.5 #- &2", "kick #99999999999"}, false, "number too large: 99999999999", "", "kick #-#-#-#- 0.5 2 on"},
    {{"kick 0.5 #- &2", "kick &99999999999"}, false, "number too large: 99999999999", "", "kick #-#-#-#- 0.5 2 on"},
    {{"kick 0.5 #- &2", "kick 0.7 #-#99999999999 &1"}, false, "number too large: 99999999999", "",
     "kick #-#-#-#- 0.5 2 on"},
    // Errors of the application come back as they are; the call was made.
    {{"use x"}, false, "no room", "selectPack(x)", "", "", "selectPack(x)"},
    {{"save x"}, false, "no room", "save(x)", "", "", "save(x)"},
    // The fallback auditions a single word only, not one with a blank inside.
    {{"808"}, true, "", "audition(808)", ""},
    {{"808 909"}, false, "", "", ""},
};

std::string join(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

TEST(CommandParser, LinesLeaveTheirResultCallsInstrumentsAndParts) {
    for (const Case& c : cases) {
        Sequencer sequencer;
        FakeListener listener;
        listener.samples.insert("808 909");
        listener.failOn = c.failOn;
        listener.failure = "no room";
        sequencer.sampleExists = [&](const std::string& name) { return listener.hasSample(name); };
        CommandParser parser(&sequencer, &listener);
        ParseResult result;
        for (const std::string& line : c.lines) {
            listener.calls.clear();
            result = parser.parse(line);
        }
        std::vector<std::string> instruments;
        for (const auto& p : sequencer.getPatterns()) {
            std::ostringstream row;
            row << p->name << ' ' << patternText(p->steps) << ' ' << p->volume << ' ' << p->rand << ' '
                << (p->active ? "on" : "off");
            instruments.push_back(row.str());
        }
        const std::string line = c.lines.back();
        EXPECT_EQ(result.ok, c.ok) << line;
        EXPECT_EQ(result.message, c.message) << line;
        EXPECT_EQ(join(listener.calls, "; "), c.calls) << line;
        EXPECT_EQ(join(instruments, "; "), c.instruments) << line;
        EXPECT_EQ(join(sequencer.getPartNames(), " "), c.parts) << line;
    }
}

TEST(CommandParser, TempoAnimatesFromTheNextTickAndClearingKeepsIt) {
    Sequencer sequencer;
    CommandParser parser(&sequencer, nullptr);
    EXPECT_TRUE(parser.parse("bpm140").ok);
    EXPECT_EQ(sequencer.bpm.load(), 120) << "the clock applies it";
    sequencer.tick(1, 96000);
    EXPECT_EQ(sequencer.bpm.load(), 140);

    EXPECT_TRUE(parser.parse("bpm 100.5").ok);  // tempo 100 reached over half a second
    sequencer.tick(9600, 96000);
    EXPECT_GT(sequencer.bpm.load(), 100);
    for (int i = 0; i < 5; ++i) sequencer.tick(9600, 96000);
    EXPECT_EQ(sequencer.bpm.load(), 100);

    for (const char* ignored : {"bpm 0", "bpm 99999999999", "/"}) parser.parse(ignored);
    sequencer.tick(1, 96000);
    EXPECT_EQ(parser.parse("bpm").message, "100");
}

TEST(CommandParser, WithoutAListenerApplicationCommandsAreSkipped) {
    Sequencer sequencer;
    CommandParser alone(&sequencer, nullptr);
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"samples", true, ""}, {"volume", true, ""}, {"use default", true, ""}, {">", true, ""},
        {"kick", true, "Unknown part/sample: kick"},  // names alone go straight to the parts
        {"808", false, ""},
    };
    for (const auto& [line, ok, message] : cases) {
        ParseResult result = alone.parse(line);
        EXPECT_EQ(result.ok, ok) << line;
        EXPECT_EQ(result.message, message) << line;
    }
}

TEST(CommandParser, StoredPatternsAreReadIntoEightSteps) {
    Sequencer sequencer;
    CommandParser parser(&sequencer, nullptr);
    const std::tuple<const char*, bool, const char*, const char*> cases[] = {
        {"#-x", true, "", "#-#-#-#-"},
        {"x#", false, "", "#-#-#-#-"},  // left unchanged
        {"#99999999999", false, "number too large: 99999999999", "#-#-#-#-"},
    };
    Steps steps{};
    for (const auto& [text, ok, message, after] : cases) {
        ParseResult result = parser.parsePattern(text, steps);
        EXPECT_EQ(result.ok, ok) << text;
        EXPECT_EQ(result.message, message) << text;
        EXPECT_EQ(patternText(steps), after) << text;
    }
}

}  // namespace
}  // namespace zaffo
