#include "AppFixture.h"

#include "app/MessageLog.h"

namespace zaffo::testing {
namespace {

struct Print {
    std::wstring title;
    std::vector<std::wstring> items;
};

struct Case {
    bool welcome;
    std::vector<Print> prints;                                  // before the commits
    std::vector<std::pair<std::wstring, std::string>> commits;  // line and message
    Rows rows;                                                  // '*' before each bold row
};

std::string lines(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i) text += "line" + std::to_string(i) + "\n";
    return text;
}

const Case cases[] = {
    {true, {}, {}, {"", "", "", "", "", "", "", "", "*type 'tutorial' for tutorial", "*type 'help' for help"}},
    // Items go into bold rows of at most 48 columns, a blank after each.
    {false,
     {{L"Title: ", std::vector<std::wstring>(9, L"abcde")}},
     {{L"x", ""}},
     {"> x", "Title:", "*abcde abcde abcde abcde abcde abcde abcde abcde", "*abcde"}},
    // A first item too long for a row follows an empty bold row.
    {false,
     {{L"Files: ", {std::wstring(60, L'x'), L"y"}}},
     {{L"save", ""}},
     {"> save", "Files:", "*", "*" + std::string(60, 'x'), "*y"}},
    // A commit shows its echo, then what was printed, then the message's lines but empty ones.
    {false, {}, {{L"kick", ""}, {L"b", "a\n\nb\n"}}, {"> kick", "> b", "*a", "*b"}},
    // What a failed command printed shows after the next one that succeeds.
    {false, {{L"printed", {}}}, {{L"kick", "m"}}, {"> kick", "printed", "*m"}},
    // Only the newest ten rows are kept.
    {true,
     {},
     {{L"many", lines(1, 11)}},
     {"*line2", "*line3", "*line4", "*line5", "*line6", "*line7", "*line8", "*line9", "*line10", "*line11"}},
};

TEST(MessageLog, ShowsWhatIsPrintedAndCommittedInBoldAndPlainRows) {
    for (const Case& c : cases) {
        MessageLog log;
        if (c.welcome) log.showWelcome();
        for (const Print& print : c.prints) log.printMessage(print.title, print.items);
        for (const auto& [line, message] : c.commits) log.commitCommand(line, message);
        EXPECT_EQ(renderRows(log.lines(), true), c.rows);
    }
}

}  // namespace
}  // namespace zaffo::testing
