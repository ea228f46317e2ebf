#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

#include <set>

namespace zaffo {
namespace {

class LiveListTest : public ::testing::Test {
protected:
    void SetUp() override {
        sequencer.sampleExists = [this](const std::string& name) { return samples.count(name) > 0; };
    }

    std::vector<std::string> liveNames() {
        std::vector<std::string> names;
        for (const auto& p : sequencer.getPatterns()) {
            names.push_back(p->name);
        }
        return names;
    }

    std::set<std::string> samples = {"kick", "snare", "hh"};
    Sequencer sequencer;
};

TEST_F(LiveListTest, CreatesAnInstrumentOnlyForALoadedSample) {
    sequencer.storePart("a");
    EXPECT_EQ(sequencer.getOrCreatePattern("boom"), nullptr);
    EXPECT_TRUE(liveNames().empty());
    ASSERT_TRUE(sequencer.recallPart("a"));
    EXPECT_TRUE(liveNames().empty()) << "a failed creation must not reach the parts";

    PatternPtr kick = sequencer.getOrCreatePattern("kick");
    ASSERT_NE(kick, nullptr);
    EXPECT_EQ(kick->name, "kick");
    EXPECT_TRUE(kick->active);
    EXPECT_EQ(kick->volume, 1.0f);
    EXPECT_EQ(kick->rand, 0);
    EXPECT_EQ(patternText(kick->steps), "--------");
    EXPECT_EQ(sequencer.getOrCreatePattern("kick"), kick) << "a name occurs once in the live list";
}

TEST_F(LiveListTest, WithoutTheSampleCallbackNothingIsCreated) {
    sequencer.sampleExists = nullptr;
    EXPECT_EQ(sequencer.getOrCreatePattern("kick"), nullptr);
}

TEST_F(LiveListTest, NewInstrumentsReachEveryPartMuted) {
    sequencer.storePart("a");
    sequencer.storePart("b");
    PatternPtr hh = sequencer.getOrCreatePattern("hh");
    EXPECT_TRUE(hh->active);
    for (const char* part : {"a", "b"}) {
        ASSERT_TRUE(sequencer.recallPart(part));
        auto live = sequencer.getPatterns();
        ASSERT_EQ(live.size(), 1u) << part;
        EXPECT_EQ(live[0]->name, "hh");
        EXPECT_FALSE(live[0]->active) << part;
        EXPECT_NE(live[0], hh);
    }
}

TEST_F(LiveListTest, RemovingAnInstrumentRemovesItFromEveryPart) {
    sequencer.getOrCreatePattern("kick");
    sequencer.getOrCreatePattern("snare");
    sequencer.storePart("a");
    sequencer.removePattern("kick");
    sequencer.removePattern("nothing");
    EXPECT_EQ(liveNames(), (std::vector<std::string>{"snare"}));
    sequencer.recallPart("a");
    EXPECT_EQ(liveNames(), (std::vector<std::string>{"snare"}));
}

TEST_F(LiveListTest, RenamingReachesTheLiveListAndEveryPart) {
    sequencer.getOrCreatePattern("kick");
    sequencer.storePart("a");
    sequencer.renamePattern("kick", "boom");
    EXPECT_EQ(liveNames(), (std::vector<std::string>{"boom"}));
    EXPECT_EQ(sequencer.findPattern("kick"), nullptr);
    sequencer.recallPart("a");
    EXPECT_EQ(liveNames(), (std::vector<std::string>{"boom"}));
}

TEST_F(LiveListTest, ClearAllEmptiesInstrumentsAndParts) {
    sequencer.getOrCreatePattern("kick");
    sequencer.storePart("a");
    sequencer.bpm = 99;
    sequencer.clearAll();
    EXPECT_TRUE(liveNames().empty());
    EXPECT_TRUE(sequencer.getPartNames().empty());
    EXPECT_EQ(sequencer.bpm.load(), 99);
}

}  // namespace
}  // namespace zaffo
