#include "sequencer/PatternGrammar.h"
#include "sequencer/SequencerPattern.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

// The steps as read, blank-separated ("#", "-", "#5"); "false" when reading fails, which
// must leave the list as it was, and "throws" for a parse error.
std::string readSteps(const std::string& text) {
    const std::vector<Step> before = {Step{true, 3}};
    std::vector<Step> parsed = before;
    try {
        if (!pattern_grammar::readPattern(text, parsed)) return parsed == before ? "false" : "false, changed";
    } catch (const tao::pegtl::parse_error&) {
        return "throws";
    }
    std::string shown;
    for (const Step& step : parsed) {
        shown += std::string(shown.empty() ? "" : " ") + (step.on ? "#" : "-");
        if (step.pitch) shown += std::to_string(step.pitch);
    }
    return shown;
}

TEST(PatternText, ReadsStepsUpToTheFirstCharacterOutsideThePattern) {
    const std::pair<const char*, const char*> cases[] = {
        {"#-x", "# -"},
        {"x#", "false"},
        {"", "false"},
        // A minus after a hit is its sign only before a digit.
        {"#-2", "#-2"},
        {"#-", "# -"},
        {"#--2", "# - -"},
        {"#99999999999", "throws"},
        {"#-2147483648", "#-2147483648"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(readSteps(text), expected) << text;
}

TEST(PatternText, ShortPatternsRepeatAndLongOnesAreCut) {
    const std::pair<const char*, const char*> cases[] = {
        {"#-", "#-#-#-#-"},  {"#-#", "#-##-##-"},         {"#--", "#--#--#-"},
        {"#", "########"},   {"-", "--------"},           {"#-#-#-#-##--", "#-#-#-#-"},
        {"#- -#", "#--##--#"}, {"#5#-#-2", "#5#-#-2#5#-#-2"}, {"#0#+", "########"},
    };
    for (const auto& [text, expected] : cases) {
        std::vector<Step> parsed;
        EXPECT_TRUE(pattern_grammar::readPattern(text, parsed)) << text;
        Steps steps = {Step{true, 9}};
        applySteps(parsed, steps);
        EXPECT_EQ(patternText(steps), expected) << text;
    }
    Steps untouched = {Step{true, 9}};
    applySteps({}, untouched);
    EXPECT_EQ(patternText(untouched), "#9-------") << "an empty list leaves the loop alone";
}

TEST(PatternText, IsCanonicalAndReadsBackToTheSameSteps) {
    Steps steps{};
    steps[0] = {true, 0};
    steps[1] = {false, 7};  // an off step's pitch is not kept
    steps[2] = {true, 5};
    steps[4] = {true, -2};
    steps[7] = {true, 0};
    EXPECT_EQ(patternText(steps), "#-#5-#-2--#");

    std::vector<Step> parsed;
    ASSERT_TRUE(pattern_grammar::readPattern(patternText(steps), parsed));
    Steps readBack{};
    applySteps(parsed, readBack);
    steps[1].pitch = 0;
    EXPECT_EQ(readBack, steps);
}

TEST(NoteName, CountsOffsetZeroAsC3AndRoundsOctavesDown) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "C3"},   {5, "F3"},    {11, "B3"},   {12, "C4"},  {13, "C#4"},
        {24, "C5"},  {-1, "B2"},   {-2, "A#2"},  {-12, "C2"}, {-13, "B1"},
        {INT32_MAX, "G178956973"}, {INT32_MIN, "E-178956968"},
    };
    for (const auto& [pitch, expected] : cases) EXPECT_EQ(noteName(pitch), expected) << pitch;
}

}  // namespace
}  // namespace zaffo
