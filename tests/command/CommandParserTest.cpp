#include "FakeListener.h"
#include "command/CommandParser.h"
#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

class CommandParserTest : public ::testing::Test {
protected:
    CommandParserTest() {
        sequencer.sampleExists = [this](const std::string& name) { return listener.hasSample(name); };
    }

    ParseResult run(const std::string& line) { return parser.parse(line); }

    Sequencer sequencer;
    FakeListener listener;
    CommandParser parser{&sequencer, &listener};
};

TEST_F(CommandParserTest, AnEditChangesOnlyWhatTheLineGives) {
    ASSERT_TRUE(run("kick 0.5 #-# &3").ok);
    ASSERT_TRUE(run(".kick").ok);
    ASSERT_TRUE(run("kick &4").ok);
    PatternPtr kick = sequencer.findPattern("kick");
    EXPECT_EQ(patternText(kick->steps), "#-##-##-");
    EXPECT_EQ(kick->volume, 0.5f);
    EXPECT_EQ(kick->rand, 4);
    EXPECT_TRUE(kick->active) << "every edit unmutes";

    ASSERT_TRUE(run(".kick").ok);
    ASSERT_TRUE(run("kick 0.25").ok);
    EXPECT_TRUE(kick->active);
    EXPECT_EQ(kick->rand, 4);
}

TEST_F(CommandParserTest, ANameThatIsNoSampleStopsTheLineButKeepsEarlierInstruments) {
    ParseResult result = run("kick xyz #-");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "pattern not found: xyz");
    PatternPtr kick = sequencer.findPattern("kick");
    ASSERT_NE(kick, nullptr);
    EXPECT_EQ(patternText(kick->steps), "--------") << "no steps are set";
}

TEST_F(CommandParserTest, NamesAloneRecallAPartWhenTheyAreNotAllSamples) {
    ASSERT_TRUE(run("kick #-").ok);
    ASSERT_TRUE(run("=a").ok);
    ASSERT_TRUE(run("kick #").ok);

    listener.calls.clear();
    ParseResult result = run("a");
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.message, "");
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_EQ(patternText(sequencer.findPattern("kick")->steps), "#-#-#-#-");

    EXPECT_EQ(run("a kick").message, "") << "the first name is the part";
    EXPECT_EQ(run("kick").message, "") << "a sample is auditioned, not recalled";
    EXPECT_EQ(listener.calls.back(), "audition(kick)");
}

TEST_F(CommandParserTest, PartsAreStoredListedAndRemoved) {
    run("kick #-");
    EXPECT_TRUE(run("= a ").ok);
    EXPECT_TRUE(run("=b").ok);
    EXPECT_TRUE(run("=kick").ok) << "a live instrument's name stores nothing, silently";
    EXPECT_EQ(run("parts").message, "  * a\n  * b\n");

    EXPECT_TRUE(run("/ a kick").ok);
    EXPECT_EQ(run("parts").message, "  * b\n");
    EXPECT_EQ(sequencer.findPattern("kick"), nullptr);
    EXPECT_TRUE(run("/nothing").ok);
}

TEST_F(CommandParserTest, SlashAloneEmptiesEverythingButTheTempo) {
    run("kick #-");
    run("=a");
    sequencer.bpm = 133;
    EXPECT_TRUE(run("/ ").ok);
    EXPECT_TRUE(sequencer.getPatterns().empty());
    EXPECT_TRUE(sequencer.getPartNames().empty());
    EXPECT_EQ(run("bpm").message, "133");
}

TEST_F(CommandParserTest, TempoCommandsAnimateFromTheNextTick) {
    EXPECT_TRUE(run("bpm140").ok);
    EXPECT_EQ(sequencer.bpm.load(), 120) << "the clock applies it";
    sequencer.tick(1, 96000);
    EXPECT_EQ(sequencer.bpm.load(), 140);

    // 'bpm 100.5': tempo 100 reached over half a second.
    EXPECT_TRUE(run("bpm 100.5").ok);
    sequencer.tick(9600, 96000);
    EXPECT_GT(sequencer.bpm.load(), 100);
    for (int i = 0; i < 5; ++i) sequencer.tick(9600, 96000);
    EXPECT_EQ(sequencer.bpm.load(), 100);

    EXPECT_TRUE(run("bpm 0").ok);
    sequencer.tick(1, 96000);
    EXPECT_EQ(sequencer.bpm.load(), 100) << "a target of 0 is ignored";
}

TEST_F(CommandParserTest, TooLargeNumbersChangeNothing) {
    run("kick 0.5 #- &2");
    for (const char* line : {"kick #99999999999", "kick &99999999999", "kick 0.7 #-#99999999999 &1"}) {
        ParseResult result = run(line);
        EXPECT_FALSE(result.ok) << line;
        EXPECT_TRUE(result.message.starts_with("number too large: ")) << line;
    }
    PatternPtr kick = sequencer.findPattern("kick");
    EXPECT_EQ(patternText(kick->steps), "#-#-#-#-");
    EXPECT_EQ(kick->rand, 2);
    EXPECT_EQ(kick->volume, 0.5f);

    EXPECT_FALSE(run("bpm 99999999999").ok);
    sequencer.tick(1, 96000);
    EXPECT_EQ(sequencer.bpm.load(), 120);
}

TEST_F(CommandParserTest, ErrorsFromTheApplicationComeBackAsTheyAre) {
    listener.failOn = "selectPack(x)";
    listener.failure = "disk full";
    ParseResult result = run("use x");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "disk full");
}

TEST_F(CommandParserTest, EffectsBeforeAnErrorStayInForce) {
    listener.failOn = "save(x)";
    listener.failure = "no room";
    EXPECT_FALSE(run("save x").ok);
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"save(x)"}));
}

TEST_F(CommandParserTest, TheFallbackAuditionsOnlyOneWordAndNeedsAListener) {
    EXPECT_FALSE(run("808 909").ok);
    listener.samples.insert("808 909");
    EXPECT_FALSE(run("808 909").ok) << "a word with a space inside is not tried";

    CommandParser withoutListener(&sequencer, nullptr);
    EXPECT_FALSE(withoutListener.parse("808").ok);
}

TEST_F(CommandParserTest, WithoutAListenerApplicationCommandsAreSkipped) {
    CommandParser alone(&sequencer, nullptr);
    EXPECT_EQ(alone.parse("samples").message, "");
    EXPECT_EQ(alone.parse("volume").message, "");
    EXPECT_TRUE(alone.parse("use default").ok);
    EXPECT_TRUE(alone.parse(">").ok);
    // Names alone go straight to the parts.
    EXPECT_EQ(alone.parse("kick").message, "Unknown part/sample: kick");
    EXPECT_TRUE(listener.calls.empty());
}

TEST_F(CommandParserTest, StoredPatternsAreReadIntoEightSteps) {
    Steps steps{};
    ParseResult result = parser.parsePattern("#-x", steps);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(patternText(steps), "#-#-#-#-");

    result = parser.parsePattern("x#", steps);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(patternText(steps), "#-#-#-#-") << "left unchanged";

    result = parser.parsePattern("#99999999999", steps);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "number too large: 99999999999");
}

}  // namespace
}  // namespace zaffo
