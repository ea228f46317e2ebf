// The command parser beyond single lines: tempo changes against the clock, a parser without an
// application, and stored patterns.
#include "command/CommandParser.h"
#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

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
        {"samples", true, ""},
        {"volume", true, ""},
        {"use default", true, ""},
        {">", true, ""},
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
