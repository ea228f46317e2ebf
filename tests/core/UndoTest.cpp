// Undo and redo over every command that changes the music: each brings back exactly the state
// before (or after) it, the pack included.

#include "CoreFixture.h"

#include <sstream>

namespace zaffo::testing {
namespace {

struct UndoCase {
    const char* setup;  // lines run first, separated by line breaks
    const char* line;   // the command undone and redone
};

const UndoCase undoCases[] = {
    {"kick 0.7 #- &4", "kick 0.25"},
    {"kick #-", "kick snare #5-#-2 &3"},
    {"kick #-", ".kick"},
    {"kick #-\n=a\nkick 0.5 #\n=a", "=b"},
    {"kick #-\n=a\nsnare 0.5 #\nbpm 140", "a"},
    {"kick #-\n=a", "/a"},
    {"", "bpm 140"},
    {"", "bpm 90 5"},
    {"kick #-\n=a", "use other"},
    {"kick #-\nsave song\nuse other\nboom #", "load song"},
    // Blanks around a line are ignored; a failing line undoes what it did before it failed.
    {"", "  kick 0.5 #-  "},
    {"", "kick xyz #-"},
};

UndoState stateOf(Core& core) { return {core.packName(), core.sequencer().snapshot()}; }

TEST_F(CoreTest, UndoAndRedoBringBackTheStateAroundEachCommand) {
    for (const UndoCase& c : undoCases) {
        SCOPED_TRACE(c.line);
        start(Core::Mode::offline);
        std::istringstream setup(c.setup);
        for (std::string line; std::getline(setup, line);) ASSERT_TRUE(run(line).ok);
        const UndoState before = stateOf(*core);
        run(c.line);
        const UndoState after = stateOf(*core);
        ASSERT_NE(before, after) << "the command changes something";
        std::string command = c.line;  // as the answer names it, the blanks around it dropped
        command.erase(command.find_last_not_of(' ') + 1).erase(0, command.find_first_not_of(' '));
        for (const auto& [line, state] : {std::pair("undo", before), {"redo ", after}, {"undo", before}}) {
            EXPECT_EQ(answer(line), Rows{(line[0] == 'u' ? "undone: " : "redone: ") + command});
            EXPECT_EQ(stateOf(*core), state);
        }
    }
}

TEST_F(CoreTest, OnlyChangesCountForUndoAndFiftyStepsGoBack) {
    start(Core::Mode::offline);
    for (const char* line : {"help", "samples", "bpm", "kick", "parts", "/", "volume 0.5", "a"}) run(line);
    EXPECT_EQ(run("undo").text(), "nothing to undo");
    run("kick #-");
    run("kick #-");
    EXPECT_EQ(answer("undo"), Rows{"undone: kick #-"});
    EXPECT_TRUE(core->sequencer().getPatterns().empty()) << "the same edit twice is one step";
    run("snare #");
    EXPECT_FALSE(run("redo").ok) << "a new change forgets what was undone";

    for (int tempo = 61; tempo <= 120; ++tempo) run("bpm " + std::to_string(tempo));
    for (int undone = 0; undone < 60; ++undone) ASSERT_TRUE(run("undo").ok) << undone;
    EXPECT_EQ(core->sequencer().snapshot().bpm, 120);
    EXPECT_EQ(answer("undo"), Rows{"undone: snare #"});
}

}  // namespace
}  // namespace zaffo::testing
