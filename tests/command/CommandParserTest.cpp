// The command parser beyond the grammar table: tempo changes against the clock, and a parser
// without an application.
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
    // Stored patterns are read into eight steps; a text that fails leaves them as they were.
    Steps steps{};
    EXPECT_TRUE(alone.parsePattern("#-x", steps).ok);
    EXPECT_FALSE(alone.parsePattern("x#", steps).ok);
    EXPECT_EQ(alone.parsePattern("#99999999999", steps).message, "number too large: 99999999999");
    EXPECT_EQ(patternText(steps), "#-#-#-#-");
}

}  // namespace
}  // namespace zaffo
