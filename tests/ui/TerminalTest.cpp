// Runs the demo screen in a real terminal (tmux), types at it and reads it back.
#include "tests/support/Tmux.h"

#include <signal.h>

#include <regex>
#include <tuple>

namespace zaffo::test {
namespace {

// An 80 x 24 window running a plain shell, from which the demo is started.
class TerminalScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TmuxSession::available()) GTEST_SKIP() << "tmux is not installed";
        tmux.start("bash --norc --noprofile", 80, 24);
    }

    std::string screen() const { return tmux.capture().text(); }
    void keys(const std::string& names) const { tmux.press(names); }
    ::testing::AssertionResult waitFor(const std::string& text) { return tmux.waitFor(text); }
    // Starts the demo from the shell and returns its process id, read off the screen.
    pid_t startDemo(const std::string& environment = "") {
        tmux.submit("clear; " + environment + " " + ZAFFO_UI_DEMO + "; echo exit=$?");
        std::smatch pid;
        std::string shown;
        waitUntil([&] { return std::regex_search(shown = screen(), pid, std::regex("pid ([0-9]+)")); });
        return pid.empty() ? 0 : static_cast<pid_t>(std::stoi(pid[1]));
    }

    TmuxSession tmux;
};

TEST_F(TerminalScreen, DrawsAndReportsKeysMouseTypingPostedEventsAndResizes) {
    pid_t demo = startDemo("LC_ALL=C LANG=C");
    ASSERT_NE(demo, 0) << screen();
    // Under the bare C locale the screen still draws its glyphs, in UTF-8.
    EXPECT_TRUE(waitFor("┌Info────") && waitFor("│wide 世界|")) << screen();
    for (const char* key : {"Up", "Down", "Left", "Right", "Tab", "BTab", "Enter", "BSpace", "DC", "Home", "End",
                            "PPage", "NPage", "Escape"}) {
        keys(key);
        EXPECT_TRUE(waitFor(std::string("last ") + key));
    }
    // Reported the classic way: a left press, drag and release, then the wheel; shown as button/motion.
    const char* const mice[][2] = {
        {"20 22 2a", "0/0 at 1,9"}, {"40 25 2b", "0/2 at 4,10"}, {"23 25 2b", "0/1 at 4,10"},
        {"60 21 21", "4/0 at 0,0"}, {"61 22 21", "5/0 at 1,0"},
    };
    for (const auto& [bytes, shown] : mice) {
        keys(std::string("-H 1b 5b 4d ") + bytes);
        EXPECT_TRUE(waitFor(std::string("last mouse ") + shown)) << bytes;
    }
    // A stray byte and a sequence cut short by a letter each become one replacement.
    keys("-H 75 ff 41 42 e2 82 43 c3 a9");
    EXPECT_TRUE(waitFor("typed u\uFFFDAB\uFFFDCé"));
    // An event and a task posted from another thread.
    keys("P");
    EXPECT_TRUE(waitFor("seen 1 tasks 1") && waitFor("last custom")) << screen();
    keys("P");
    EXPECT_TRUE(waitFor("seen 2 tasks 2"));
    tmux.resize(100, 30);
    std::string bottom = "└";
    for (int i = 0; i < 98; ++i) bottom += "─";
    EXPECT_TRUE(waitFor("last resize") && waitFor(bottom + "┘")) << "the frame fills the new width\n" << screen();
}

TEST_F(TerminalScreen, EveryWayOutGivesTheTerminalBack) {
    // Keys or a signal, whether the loop is stuck, the exit status. X makes another thread end the loop; a second
    // interrupt ends a stuck loop at once.
    const std::tuple<const char*, int, bool, const char*> cases[] = {
        {"C-c", 0, false, "0"},   {"X", 0, false, "0"},    {"", SIGTERM, false, "0"},  {"", SIGHUP, false, "0"},
        {"", SIGINT, false, "0"}, {"C-c", 0, true, "130"}, {"", SIGTERM, true, "143"},
    };
    for (const auto& [how, signal, stuck, status] : cases) {
        pid_t demo = startDemo();
        ASSERT_NE(demo, 0) << screen();
        auto interrupt = [&] { signal ? void(kill(demo, signal)) : keys(how); };
        if (stuck) {
            // Apart, as a person would press them: two signals pending at once count as one.
            keys("S");
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            interrupt();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        interrupt();
        EXPECT_TRUE(waitFor(std::string("exit=") + status)) << signal;
        EXPECT_EQ(screen().find("bye from the demo") != std::string::npos, !stuck) << "the loop returned\n" << screen();
        EXPECT_EQ(screen().find("pid "), std::string::npos) << "the alternate screen is gone";
        keys("'echo echo-$((40+2))' Enter");
        EXPECT_TRUE(waitFor("echo-42")) << "the shell reads lines again";
    }
}

TEST(TerminalScreenWithoutTerminal, RefusesToLoopOnInputThatIsNoTerminal) {
    const std::string output = runShell(std::string(ZAFFO_UI_DEMO) + " </dev/null 2>&1; echo status=$?").first;
    EXPECT_NE(output.find("error: standard input is not a terminal"), std::string::npos) << output;
    EXPECT_NE(output.find("bye from the demo"), std::string::npos) << output;
    EXPECT_NE(output.find("status=1"), std::string::npos) << output;
}

}  // namespace
}  // namespace zaffo::test
