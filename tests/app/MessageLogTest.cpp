#include "app/MessageLog.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

using Rows = std::vector<std::string>;

// The log as rows of text, trailing blanks cut, and whether each row is bold.
struct Shown {
    Rows rows;
    std::vector<bool> bold;
};

Shown show(const std::vector<ui::Element>& lines) {
    Shown shown;
    for (const auto& line : lines) {
        ui::Screen screen(70, 1);
        ui::Render(screen, line);
        std::string row = screen.toString();
        row.erase(row.find_last_not_of(' ') + 1);
        shown.rows.push_back(row);
        shown.bold.push_back(screen.at(0, 0).bold);
    }
    return shown;
}

class MessageLogTest : public ::testing::Test {
protected:
    Shown committed(const std::wstring& line, const std::string& message = "") {
        log.commitCommand(line, message);
        return show(log.lines());
    }
    MessageLog log;
};

TEST_F(MessageLogTest, StartsWithTwoBoldHintsBelowEightEmptyLines) {
    log.showWelcome();
    Shown shown = show(log.lines());
    EXPECT_EQ(shown.rows, (Rows{"", "", "", "", "", "", "", "", "type 'tutorial' for tutorial", "type 'help' for help"}));
    EXPECT_TRUE(shown.bold[8]);
    EXPECT_TRUE(shown.bold[9]);
}

TEST_F(MessageLogTest, ItemsArePackedIntoBoldRowsOfFortyEightColumns) {
    std::vector<std::wstring> items(9, L"abcde");
    log.printMessage(L"Title: ", items);
    Shown shown = committed(L"x");
    EXPECT_EQ(shown.rows, (Rows{"> x", "Title:", "abcde abcde abcde abcde abcde abcde abcde abcde", "abcde"}));
    EXPECT_EQ(shown.bold, (std::vector<bool>{false, false, true, true}));
}

TEST_F(MessageLogTest, AFirstItemTooLongForARowFollowsAnEmptyBoldRow) {
    log.printMessage(L"Files: ", {std::wstring(60, L'x'), L"y"});
    Shown shown = committed(L"save");
    EXPECT_EQ(shown.rows, (Rows{"> save", "Files:", "", std::string(60, 'x'), "y"}));
}

TEST_F(MessageLogTest, ACommitShowsEchoThenPendingThenMessageLines) {
    EXPECT_EQ(committed(L"kick").rows, (Rows{"> kick"}));
    log.printMessage(L"printed", {});
    Shown shown = committed(L"b", "a\n\nb\n");
    EXPECT_EQ(shown.rows, (Rows{"> kick", "> b", "printed", "a", "b"}));
    EXPECT_TRUE(shown.bold[3]);
    EXPECT_TRUE(shown.bold[4]);
}

TEST_F(MessageLogTest, OutputOfAFailedCommandShowsAfterTheNextSuccessfulOne) {
    log.printMessage(L"from the failed command", {});  // never committed
    Shown shown = committed(L"kick");
    EXPECT_EQ(shown.rows, (Rows{"> kick", "from the failed command"}));
}

TEST_F(MessageLogTest, KeepsOnlyTheNewestTenLines) {
    log.showWelcome();
    std::string eleven;
    for (int i = 1; i <= 11; ++i) eleven += "line" + std::to_string(i) + "\n";
    Shown shown = committed(L"many", eleven);
    ASSERT_EQ(shown.rows.size(), 10u);
    EXPECT_EQ(shown.rows.front(), "line2") << "the echo and the first line scrolled out";
    EXPECT_EQ(shown.rows.back(), "line11");
}

}  // namespace
}  // namespace zaffo
