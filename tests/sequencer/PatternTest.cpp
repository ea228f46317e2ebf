#include "sequencer/PatternGrammar.h"
#include "sequencer/SequencerPattern.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

Steps stepsOf(const std::string& text) {
    std::vector<Step> parsed;
    EXPECT_TRUE(pattern_grammar::readPattern(text, parsed)) << text;
    Steps steps{};
    applySteps(parsed, steps);
    return steps;
}

TEST(PatternText, ShortPatternsRepeatAndLongOnesAreCut) {
    const std::pair<const char*, const char*> cases[] = {
        {"#-", "#-#-#-#-"},
        {"#-#", "#-##-##-"},
        {"#--", "#--#--#-"},
        {"#", "########"},
        {"-", "--------"},
        {"#-#-#-#-##--", "#-#-#-#-"},
        {"#- -#", "#--##--#"},
        {"#5#-#-2", "#5#-#-2#5#-#-2"},
        {"#0#+", "########"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(patternText(stepsOf(text)), expected) << text;
    }
}

TEST(PatternText, ReadingStopsAtTheFirstCharacterOutsideThePattern) {
    std::vector<Step> parsed;
    EXPECT_TRUE(pattern_grammar::readPattern("#-x", parsed));
    EXPECT_EQ(parsed.size(), 2u);

    std::vector<Step> untouched = {Step{true, 3}};
    EXPECT_FALSE(pattern_grammar::readPattern("x#", untouched));
    EXPECT_FALSE(pattern_grammar::readPattern("", untouched));
    ASSERT_EQ(untouched.size(), 1u);
    EXPECT_EQ(untouched[0], (Step{true, 3}));
}

TEST(PatternText, AMinusAfterAHitIsItsSignOnlyBeforeADigit) {
    std::vector<Step> parsed;
    ASSERT_TRUE(pattern_grammar::readPattern("#-2", parsed));
    EXPECT_EQ(parsed, (std::vector<Step>{{true, -2}}));
    ASSERT_TRUE(pattern_grammar::readPattern("#-", parsed));
    EXPECT_EQ(parsed, (std::vector<Step>{{true, 0}, {false, 0}}));
    // "#--2": a hit, two rests, and a stray digit after the pattern.
    ASSERT_TRUE(pattern_grammar::readPattern("#--2", parsed));
    EXPECT_EQ(parsed, (std::vector<Step>{{true, 0}, {false, 0}, {false, 0}}));
}

TEST(PatternText, APitchThatDoesNotFitIsAnError) {
    std::vector<Step> parsed;
    EXPECT_THROW(pattern_grammar::readPattern("#99999999999", parsed), tao::pegtl::parse_error);
    EXPECT_TRUE(pattern_grammar::readPattern("#-2147483648", parsed));
    EXPECT_EQ(parsed[0].pitch, INT32_MIN);
}

TEST(PatternText, EmptyStepListLeavesTheLoopAlone) {
    Steps steps = stepsOf("#3-");
    applySteps({}, steps);
    EXPECT_EQ(patternText(steps), "#3-#3-#3-#3-");
}

TEST(PatternText, IsCanonicalAndReadsBackToTheSameSteps) {
    Steps steps{};
    steps[0] = {true, 0};
    steps[1] = {false, 7};  // an off step's pitch is not kept
    steps[2] = {true, 5};
    steps[4] = {true, -2};
    steps[7] = {true, 0};
    const std::string text = patternText(steps);
    EXPECT_EQ(text, "#-#5-#-2--#");

    Steps readBack = stepsOf(text);
    steps[1].pitch = 0;
    EXPECT_EQ(readBack, steps);
    EXPECT_EQ(patternText(Steps{}), "--------");
}

TEST(NoteName, CountsOffsetZeroAsC3AndRoundsOctavesDown) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "C3"},   {5, "F3"},    {11, "B3"},   {12, "C4"},  {13, "C#4"},
        {24, "C5"},  {-1, "B2"},   {-2, "A#2"},  {-12, "C2"}, {-13, "B1"},
        {INT32_MAX, "G178956973"}, {INT32_MIN, "E-178956968"},
    };
    for (const auto& [pitch, expected] : cases) {
        EXPECT_EQ(noteName(pitch), expected) << pitch;
    }
}

}  // namespace
}  // namespace zaffo
