// The rules of parts are pinned through the command language (tests/command/GrammarTest.cpp);
// here is what no command reaches: a sequencer without a sample table, renaming (done when a
// sample file is renamed) and clearing.
#include "sequencer/Sequencer.h"
#include "tests/sequencer/Describe.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

TEST(LiveListAndParts, RenamingReachesEveryPartAndClearingKeepsTheTempo) {
    Sequencer sequencer;
    EXPECT_EQ(sequencer.getOrCreatePattern("kick"), nullptr) << "no instrument without a sample table";
    sequencer.sampleExists = [](const std::string& name) { return name == "kick"; };
    sequencer.getOrCreatePattern("kick")->volume = 0.5f;
    ASSERT_TRUE(sequencer.storePart("a"));
    sequencer.findPattern("kick")->volume = 0.25f;
    sequencer.renamePattern("kick", "boom");
    sequencer.renamePattern("nothing", "else");
    EXPECT_EQ(sequencer.findPattern("kick"), nullptr);
    EXPECT_EQ(testing::describeLive(sequencer), "boom -------- 0.25 0 on");
    ASSERT_TRUE(sequencer.recallPart("a"));
    EXPECT_EQ(testing::describeLive(sequencer), "boom -------- 0.5 0 on");

    sequencer.bpm = 99;
    sequencer.clearAll();
    EXPECT_EQ(testing::describeLive(sequencer) + testing::join(sequencer.getPartNames()), "");
    EXPECT_EQ(sequencer.bpm.load(), 99);
}

}  // namespace
}  // namespace zaffo
