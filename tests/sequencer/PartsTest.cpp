#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

#include <set>

namespace zaffo {
namespace {

class PartsTest : public ::testing::Test {
protected:
    void SetUp() override {
        sequencer.sampleExists = [](const std::string& name) {
            return std::set<std::string>{"kick", "snare", "hh"}.count(name) > 0;
        };
    }

    PatternPtr live(const std::string& name) { return sequencer.findPattern(name); }

    void set(const std::string& name, float volume, const Steps& steps) {
        PatternPtr p = sequencer.getOrCreatePattern(name);
        sequencer.editPattern(p, [&](SequencerPattern& pattern) {
            pattern.volume = volume;
            pattern.steps = steps;
        });
    }

    static Steps everyOther() {
        Steps steps{};
        for (int i = 0; i < 8; i += 2) steps[i] = {true, i};
        return steps;
    }

    Sequencer sequencer;
};

TEST_F(PartsTest, StoringAgainReplacesThePartInItsPlace) {
    set("kick", 0.5f, everyOther());
    EXPECT_TRUE(sequencer.storePart("a"));
    EXPECT_TRUE(sequencer.storePart("b"));
    set("kick", 0.25f, Steps{});
    EXPECT_TRUE(sequencer.storePart("a"));
    EXPECT_EQ(sequencer.getPartNames(), (std::vector<std::string>{"a", "b"}));

    sequencer.recallPart("a");
    EXPECT_EQ(live("kick")->volume, 0.25f);
    sequencer.recallPart("b");
    EXPECT_EQ(live("kick")->volume, 0.5f);
}

TEST_F(PartsTest, APartCannotTakeTheNameOfALiveInstrument) {
    sequencer.getOrCreatePattern("kick");
    EXPECT_FALSE(sequencer.storePart("kick"));
    EXPECT_TRUE(sequencer.getPartNames().empty());
}

TEST_F(PartsTest, PartsHoldCopiesThatPlayingAndEditingNeverChange) {
    set("kick", 0.5f, everyOther());
    sequencer.storePart("a");
    set("kick", 0.9f, Steps{});

    ASSERT_TRUE(sequencer.recallPart("a"));
    PatternPtr recalled = live("kick");
    EXPECT_EQ(recalled->volume, 0.5f);
    set("kick", 0.1f, Steps{});  // edits the recalled copy, not the part

    ASSERT_TRUE(sequencer.recallPart("a"));
    EXPECT_NE(live("kick"), recalled);
    EXPECT_EQ(live("kick")->volume, 0.5f);
    EXPECT_EQ(live("kick")->steps, everyOther());
}

TEST_F(PartsTest, AnInstrumentCreatedAfterThePartComesBackSilent) {
    set("kick", 1.0f, everyOther());
    sequencer.storePart("a");
    set("hh", 0.7f, everyOther());  // created after "a": "a" holds a muted, empty copy

    sequencer.recallPart("a");
    PatternPtr hh = live("hh");
    ASSERT_NE(hh, nullptr);
    EXPECT_FALSE(hh->active);
    EXPECT_EQ(hh->volume, 1.0f);
    EXPECT_EQ(patternText(hh->steps), "--------");
    EXPECT_TRUE(live("kick")->active);
}

TEST_F(PartsTest, RecallSetsTheStoredTempoAtOnceAndDropsOtherInstruments) {
    sequencer.bpm = 140;
    sequencer.getOrCreatePattern("kick");
    sequencer.storePart("a");
    sequencer.bpm = 100;
    sequencer.getOrCreatePattern("snare");
    sequencer.removePattern("snare");  // snare gone from the part too
    sequencer.getOrCreatePattern("snare");

    ASSERT_TRUE(sequencer.recallPart("a"));
    EXPECT_EQ(sequencer.bpm.load(), 140);
    auto patterns = sequencer.getPatterns();
    ASSERT_EQ(patterns.size(), 2u);  // kick, and snare added muted when it was created again
    EXPECT_EQ(patterns[0]->name, "kick");
    EXPECT_FALSE(patterns[1]->active);
    EXPECT_FALSE(sequencer.recallPart("nothing"));
}

TEST_F(PartsTest, RemovingDeletesOnlyTheNamedPart) {
    sequencer.storePart("a");
    sequencer.storePart("b");
    EXPECT_TRUE(sequencer.removePart("a"));
    EXPECT_FALSE(sequencer.removePart("a"));
    EXPECT_EQ(sequencer.getPartNames(), (std::vector<std::string>{"b"}));
}

}  // namespace
}  // namespace zaffo
