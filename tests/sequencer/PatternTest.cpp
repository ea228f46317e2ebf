#include "sequencer/PatternGrammar.h"
#include "sequencer/SequencerPattern.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

// The text of the loop of eight steps that a pattern text makes; "false" when reading fails, which
// must leave the list read into as it was, and "throws" for a pitch that does not fit.
std::string loopOf(const char* text) {
    const std::vector<Step> before = {Step{true, 3}};
    std::vector<Step> parsed = before;
    try {
        if (!pattern_grammar::readPattern(text, parsed)) return parsed == before ? "false" : "changed";
    } catch (const tao::pegtl::parse_error&) {
        return "throws";
    }
    Steps loop = {Step{true, 9}};
    applySteps(parsed, loop);
    return patternText(loop);
}

TEST(PatternText, ShortPatternsRepeatLongOnesAreCutAndReadingEndsAtTheFirstOtherCharacter) {
    const std::pair<const char*, const char*> cases[] = {
        {"#-x", "#-#-#-#-"},
        {"x#", "false"},
        {"", "false"},
        {"#99999999999", "throws"},
        {"#-2147483648-------", "#-2147483648-------"},
        // A minus after a hit is its sign only before a digit; pitch 0 is written as a plain hit.
        {"#-2", "#-2#-2#-2#-2#-2#-2#-2#-2"},
        {"#--2", "#--#--#-"},
        {"#-#", "#-##-##-"},
        {"-", "--------"},
        {"#-#-#-#-##--", "#-#-#-#-"},
        {"#- -#", "#--##--#"},
        {"#5#-#-2", "#5#-#-2#5#-#-2"},
        {"#0#+", "########"},
    };
    for (const auto& [text, loop] : cases) EXPECT_EQ(loopOf(text), loop) << text;
    Steps loop = {Step{true, 9}, Step{false, 7}};
    applySteps({}, loop);
    EXPECT_EQ(patternText(loop), "#9-------") << "an empty list leaves the loop alone; an off step shows no pitch";
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
