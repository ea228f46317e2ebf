#include "command/HelpText.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

using Lines = std::vector<std::string>;

const Lines topicList = {"Use one of the following: ", "help samples", "help pitch", "help parts",
                         "help packs", "help bpm", "help io", "help record", "help about"};

TEST(Help, UnknownEmptyOrMiscasedTopicsGiveTheTopicList) {
    EXPECT_EQ(helpLines(""), topicList);
    EXPECT_EQ(helpLines("drums"), topicList);
    EXPECT_EQ(helpLines("Pitch"), topicList);
    EXPECT_EQ(helpLines("pitch "), topicList);
}

TEST(Help, TopicsKeepTheirExactWordingWithSpacesAtLineEnds) {
    EXPECT_EQ(helpLines("bpm"), (Lines{"bpm 140", " -> change tempo to 140 bpm ", "", "bpm 160 5",
                                      " -> animate tempo to 160 bpm ", "    within 5 seconds", ""}));
    EXPECT_EQ(helpLines("pitch"),
              (Lines{"kick #5#-#-2", " -> sets the kick pattern to:", "    #5  means raised by 5 semitones",
                     "    #   means not raised", "    -   means silent", "    #-2 means lowered by two semis"}));
    EXPECT_EQ(helpLines("record"),
              (Lines{"record start", " -> begin recording", "record stop", " -> stop recording"}));
    EXPECT_EQ(helpLines("samples").size(), 7u);
    EXPECT_EQ(helpLines("samples")[2], "    and randomize every 4 measures");
    EXPECT_EQ(helpLines("parts").size(), 8u);
    EXPECT_EQ(helpLines("packs").back(), "TBD: no command to list packs");
    EXPECT_EQ(helpLines("io")[1], " -> save to a file called monkey.json");
}

TEST(Help, AboutHasFiveLinesWithTheThirdEmptyAndNoWebAddress) {
    const Lines about = helpLines("about");
    ASSERT_EQ(about.size(), 5u);
    EXPECT_EQ(about[2], "");
    EXPECT_NE(about[0].find("Zaffo"), std::string::npos);
    for (const auto& line : about) {
        EXPECT_EQ(line.find("http"), std::string::npos) << line;
        EXPECT_EQ(line.find("www."), std::string::npos) << line;
    }
}

struct Page {
    size_t lines;
    const char* first;
    const char* last;
};

const Page pages[] = {
    {6, "Welcome to Zaffo!", "Then 'next' to continue with the tutorial"},
    {10, "In a pattern", "Then type 'next' to continue with the tutorial"},
    {7, "To set the kickdrum volume to 0.5, type: ", "Type 'next' to continue with the tutorial"},
    {6, "To store a user part type:", "Type 'next' to continue with the tutorial"},
    {7, "To randomize steps every other bar use", "Type 'next' to continue with the tutorial"},
    {8, "You can stop a sample with the '.' command.", "Type 'next' to continue with the tutorial"},
    {6, "Instead of just '#' you can add a number,", "Type 'next' to continue with the tutorial"},
    {8, "Let's save another user part, and restore", "Type 'next' to continue with the tutorial"},
    {7, "To save all your hard work to a file, type: ", "Type 'next' to continue with the tutorial"},
    {7, "To remove a single instrument, use '/': ", "Type 'next' to continue with the tutorial"},
    {8, "To change the tempo of the file you can use ", "Type 'next' to continue with the tutorial"},
    {7, "You have reached the end of the tutorial. ", "Now play around and have fun!"},
};

TEST(Tutorial, ThirteenPagesFromTheStartAreTheTwelveAndThenTheFirstAgain) {
    uint32_t step = 0;
    for (int n = 0; n < 13; ++n) {
        const Page& expected = pages[n % 12];
        const Lines lines = nextTutorialLines(step);
        ASSERT_EQ(lines.size(), expected.lines) << "page " << n + 1;
        EXPECT_EQ(lines.front(), expected.first) << "page " << n + 1;
        EXPECT_EQ(lines.back(), expected.last) << "page " << n + 1;
    }
    EXPECT_EQ(step, 1u);
}

TEST(Tutorial, PagesKeepTheirExactWording) {
    uint32_t step = 1;
    EXPECT_EQ(nextTutorialLines(step),
              (Lines{"In a pattern", "      # means a step is on", "      - means a step is off", "",
                     "Type the following and press enter ", "after each line:", "  kick #--", "  hh #-", "",
                     "Then type 'next' to continue with the tutorial"}));
    step = 6;
    EXPECT_EQ(nextTutorialLines(step),
              (Lines{"Instead of just '#' you can add a number,", "for instance '#5' to shift by semi tones.",
                     "Try this: ", "  kick ##12#24#36", "  percy #1#2#3#4#5#6#7#8",
                     "Type 'next' to continue with the tutorial"}));
}

TEST(Tutorial, AnyCounterPastTheLastPageShowsTheClosingPageAndWraps) {
    uint32_t step = 4000000000u;
    EXPECT_EQ(nextTutorialLines(step).front(), "You have reached the end of the tutorial. ");
    EXPECT_EQ(step, 0u);
}

// The log is 48 columns wide; every text shown there fits it. The texts are ASCII.
TEST(HelpAndTutorial, EveryLineOfEveryTopicAndPageFitsTheLog) {
    std::vector<Lines> texts{topicList};
    for (const std::string& entry : topicList) {
        if (entry.starts_with("help ")) texts.push_back(helpLines(entry.substr(5)));
    }
    uint32_t step = 0;
    for (int page = 0; page < 12; ++page) texts.push_back(nextTutorialLines(step));
    ASSERT_EQ(texts.size(), 1u + 8u + 12u);
    for (const Lines& text : texts) {
        for (const std::string& line : text) EXPECT_LE(line.size(), 48u) << line;
    }
}

}  // namespace
}  // namespace zaffo
