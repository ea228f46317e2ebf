#include "command/HelpText.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

// Every help topic ("help " and the topic) and every tutorial page ("page " and the counter before
// it) against its number of lines, its first line and its last, spaces at the ends included.
using Text = std::tuple<std::string, size_t, const char*, const char*>;

const char* const next = "Type 'next' to continue with the tutorial";

const Text texts[] = {
    {"help ", 9, "Use one of the following: ", "help about"},
    {"help samples", 7, "kick 0.7 #- &4", " -> randomize every 5 measures"},
    {"help pitch", 6, "kick #5#-#-2", "    #-2 means lowered by two semis"},
    {"help parts", 8, "=a", " -> list all parts"},
    {"help packs", 5, "use tarvik", "TBD: no command to list packs"},
    {"help bpm", 7, "bpm 140", ""},
    {"help io", 4, "save monkey", " -> load from a file called monkey.json"},
    {"help record", 4, "record start", " -> stop recording"},
    {"help about", 5, "Zaffo, a live-coding drum machine", "On ncurses, SDL2, libsndfile and libsamplerate"},
    {"page 0", 6, "Welcome to Zaffo!", "Then 'next' to continue with the tutorial"},
    {"page 1", 10, "In a pattern", "Then type 'next' to continue with the tutorial"},
    {"page 2", 7, "To set the kickdrum volume to 0.5, type: ", next},
    {"page 3", 6, "To store a user part type:", next},
    {"page 4", 7, "To randomize steps every other bar use", next},
    {"page 5", 8, "You can stop a sample with the '.' command.", next},
    {"page 6", 6, "Instead of just '#' you can add a number,", next},
    {"page 7", 8, "Let's save another user part, and restore", next},
    {"page 8", 7, "To save all your hard work to a file, type: ", next},
    {"page 9", 7, "To remove a single instrument, use '/': ", next},
    {"page 10", 8, "To change the tempo of the file you can use ", next},
    // The closing page, also for any counter past it.
    {"page 11", 7, "You have reached the end of the tutorial. ", "Now play around and have fun!"},
    {"page 4000000000", 7, "You have reached the end of the tutorial. ", "Now play around and have fun!"},
};

TEST(HelpAndTutorial, EveryTextHasItsLinesAndEveryLineFitsTheLog) {
    for (const auto& [shown, count, first, last] : texts) {
        std::vector<std::string> lines = helpLines(shown.substr(5));
        if (shown.starts_with("page ")) {
            uint32_t counter = std::stoul(shown.substr(5));
            const uint32_t after = counter < 11 ? counter + 1 : 0;
            lines = nextTutorialLines(counter);
            EXPECT_EQ(counter, after) << "the closing page wraps the counter to the first: " << shown;
        }
        ASSERT_EQ(lines.size(), count) << shown;
        EXPECT_EQ(lines.front(), first) << shown;
        EXPECT_EQ(lines.back(), last) << shown;
        // The log is 48 columns wide; the texts are ASCII and carry no web address.
        for (const std::string& line : lines) {
            EXPECT_LE(line.size(), 48u) << line;
            EXPECT_TRUE(line.find("http") == line.npos && line.find("www.") == line.npos) << line;
        }
    }
    for (const char* topic : {"drums", "Pitch", "pitch "}) {
        EXPECT_EQ(helpLines(topic), helpLines("")) << "an unknown or miscased topic gives the list of topics";
    }
    EXPECT_EQ(helpLines("about")[2], "") << "the third line of the credits is empty";
}

}  // namespace
}  // namespace zaffo
