#include "command/HelpText.h"

#include <gtest/gtest.h>

#include <set>

namespace zaffo {
namespace {

using Text = std::vector<std::string>;

TEST(HelpAndTutorial, EveryTopicAndPageHasATextOfItsOwnAndEveryLineFitsTheLog) {
    const Text list = helpLines("");
    EXPECT_EQ(list.front(), "Use one of the following: ");
    std::set<Text> texts{list};
    std::string topics;
    for (std::size_t i = 1; i < list.size(); ++i) {
        const std::string topic = list[i].substr(5);  // after "help "
        topics += topic + " ";
        texts.insert(helpLines(topic));
    }
    EXPECT_EQ(topics, "samples pitch parts packs bpm io record about ");
    EXPECT_EQ(texts.size(), list.size()) << "each listed topic has a text of its own";
    for (const char* topic : {"drums", "Pitch", "pitch "}) EXPECT_EQ(helpLines(topic), list) << "unknown: " << topic;

    // The pages in turn, twice round: the closing page, also for any counter past it, wraps the
    // counter to the first.
    std::vector<Text> pages;
    for (std::uint32_t shown = 0, counter = 0; shown < 24; ++shown) {
        pages.push_back(nextTutorialLines(counter));
        EXPECT_EQ(counter, (shown + 1) % 12) << shown;
    }
    EXPECT_EQ(pages[0].front(), "Welcome to Zaffo!");
    EXPECT_EQ(pages[11].front(), "You have reached the end of the tutorial. ");
    EXPECT_EQ(std::set(pages.begin(), pages.end()).size(), 12u);
    EXPECT_TRUE(std::equal(pages.begin(), pages.begin() + 12, pages.begin() + 12));
    std::uint32_t past = 4000000000;
    EXPECT_EQ(nextTutorialLines(past), pages[11]);
    EXPECT_EQ(past, 0u);

    // The log is 48 columns wide; the texts are ASCII and carry no web address.
    texts.insert(pages.begin(), pages.end());
    for (const Text& text : texts) {
        for (const std::string& line : text) {
            EXPECT_LE(line.size(), 48u) << line;
            EXPECT_TRUE(line.find("http") == line.npos && line.find("www.") == line.npos) << line;
        }
    }
}

}  // namespace
}  // namespace zaffo
