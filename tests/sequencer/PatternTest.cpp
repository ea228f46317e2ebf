// Reading pattern texts is pinned through the command language (tests/command/GrammarTest.cpp)
// and the composition reader; here is how steps are written.
#include "sequencer/SequencerPattern.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

TEST(PatternText, WritesPitchesOfHitsOnlyAndZeroAsAPlainHit) {
    EXPECT_EQ(patternText({Step{true, 9}, Step{false, 7}, Step{true, -2}, Step{true, 0}}), "#9-#-2#----");
}

TEST(NoteName, CountsOffsetZeroAsC3AndRoundsOctavesDown) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "C3"},
        {5, "F3"},
        {11, "B3"},
        {12, "C4"},
        {13, "C#4"},
        {24, "C5"},
        {-1, "B2"},
        {-2, "A#2"},
        {-12, "C2"},
        {-13, "B1"},
        {INT32_MAX, "G178956973"},
        {INT32_MIN, "E-178956968"},
    };
    for (const auto& [pitch, expected] : cases) EXPECT_EQ(noteName(pitch), expected) << pitch;
}

}  // namespace
}  // namespace zaffo
