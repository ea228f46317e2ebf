// A parser without an application, against a clock: each line's result, then a tick of some
// frames at 96000 Hz and the tempo after it.
#include "command/CommandParser.h"
#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

TEST(CommandParser, TempoChangesAnimateFromTheNextTickAndApplicationCommandsAreSkipped) {
    Sequencer sequencer;
    CommandParser alone(&sequencer, nullptr);
    const std::tuple<const char*, bool, const char*, int32_t, int32_t> cases[] = {
        {"bpm140", true, "", 0, 120},  // the clock applies it
        {"bpm", true, "120", 1, 140},
        {"bpm 100.5", true, "", 9600, 136},  // 100 reached over half a second
        {"bpm 0", true, "", 38400, 100},
        {"bpm 99999999999", false, "number too large: 99999999999", 1, 100},
        {"/", true, "", 1, 100},
        {"bpm", true, "100", 1, 100},
        {"samples", true, "", 1, 100},
        {"volume", true, "", 1, 100},
        {"use default", true, "", 1, 100},
        {">", true, "", 1, 100},
        {"kick", true, "Unknown part/sample: kick", 1, 100},  // names alone go straight to the parts
        {"808", false, "", 1, 100},
    };
    for (const auto& [line, ok, message, frames, tempo] : cases) {
        ParseResult result = alone.parse(line);
        EXPECT_EQ(result.ok, ok) << line;
        EXPECT_EQ(result.message, message) << line;
        sequencer.tick(frames, 96000);
        EXPECT_EQ(sequencer.bpm.load(), tempo) << line;
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
