// Runs the demo screen in a real terminal (tmux), types at it and reads it back.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <tuple>

#include "tests/support/Wait.h"

namespace {

using zaffo::test::waitUntil;

std::string run(const std::string& command) {
    std::string output;
    char buffer[4096];
    FILE* pipe = popen(command.c_str(), "r");
    while (size_t n = pipe ? fread(buffer, 1, sizeof buffer, pipe) : 0) output.append(buffer, n);
    if (pipe) pclose(pipe);
    return output;
}

// A tmux server of its own per test (a new one on a name just killed may meet the old one dying),
// with one 80 x 24 window running a plain shell, from which the demo is started.
class TerminalScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (run("command -v tmux").empty()) GTEST_SKIP() << "tmux is not installed";
        tmux("new-session -d -x 80 -y 24 -s t 'bash --norc --noprofile'");
    }
    void TearDown() override { tmux("kill-server"); }

    std::string tmux(const std::string& command) const { return run(server + command + " 2>&1"); }
    std::string screen() const { return tmux("capture-pane -p -t t"); }
    void keys(const std::string& names) const { tmux("send-keys -t t " + names); }
    bool waitFor(const std::string& text) const {
        return waitUntil([&] { return screen().find(text) != std::string::npos; });
    }
    // Starts the demo from the shell and returns its process id, read off the screen.
    pid_t startDemo(const std::string& environment = "") {
        keys("'clear; " + environment + " " + ZAFFO_UI_DEMO + "; echo exit=$?' Enter");
        std::smatch pid;
        std::string shown;
        waitUntil([&] { return std::regex_search(shown = screen(), pid, std::regex("pid ([0-9]+)")); });
        return pid.empty() ? 0 : static_cast<pid_t>(std::stoi(pid[1]));
    }

    static inline int servers = 0;
    const std::string server =
        "tmux -L zaffo-ui-test-" + std::to_string(getpid()) + "-" + std::to_string(++servers) + " -f /dev/null ";
};

TEST_F(TerminalScreen, DrawsAndReportsKeysMouseTypingPostedEventsAndResizes) {
    pid_t demo = startDemo("LC_ALL=C LANG=C");
    ASSERT_NE(demo, 0) << screen();
    // Under the bare C locale the screen still draws its glyphs, in UTF-8.
    EXPECT_TRUE(waitFor("┌Info────") && waitFor("│wide 世界|")) << screen();
    for (const char* key : {"Up", "Down", "Left", "Right", "Tab", "BTab", "Enter", "BSpace", "DC", "Home", "End",
                            "PPage", "NPage", "Escape"}) {
        keys(key);
        EXPECT_TRUE(waitFor(std::string("last ") + key)) << key << "\n" << screen();
    }
    // Reported the classic way: a left press, drag and release, then the wheel; shown as button/motion.
    const char* const mice[][2] = {
        {"20 22 2a", "0/0 at 1,9"}, {"40 25 2b", "0/2 at 4,10"}, {"23 25 2b", "0/1 at 4,10"},
        {"60 21 21", "4/0 at 0,0"}, {"61 22 21", "5/0 at 1,0"},
    };
    for (const auto& [bytes, shown] : mice) {
        keys(std::string("-H 1b 5b 4d ") + bytes);
        EXPECT_TRUE(waitFor(std::string("last mouse ") + shown)) << bytes << "\n" << screen();
    }
    // A stray byte and a sequence cut short by a letter each become one replacement.
    keys("-H 75 ff 41 42 e2 82 43 c3 a9");
    EXPECT_TRUE(waitFor("typed u\uFFFDAB\uFFFDCé")) << screen();
    // An event and a task posted from another thread.
    keys("P");
    EXPECT_TRUE(waitFor("seen 1 tasks 1") && waitFor("last custom")) << screen();
    keys("P");
    EXPECT_TRUE(waitFor("seen 2 tasks 2")) << screen();
    tmux("resize-window -t t -x 100 -y 30");
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
        EXPECT_TRUE(waitFor(std::string("exit=") + status)) << signal << "\n" << screen();
        EXPECT_EQ(screen().find("bye from the demo") != std::string::npos, !stuck) << "the loop returned\n" << screen();
        EXPECT_EQ(screen().find("pid "), std::string::npos) << "the alternate screen is gone";
        keys("'echo echo-$((40+2))' Enter");
        EXPECT_TRUE(waitFor("echo-42")) << "the shell reads lines again";
    }
}

TEST(TerminalScreenWithoutTerminal, RefusesToLoopOnInputThatIsNoTerminal) {
    std::string output = run(std::string(ZAFFO_UI_DEMO) + " </dev/null 2>&1; echo status=$?");
    EXPECT_NE(output.find("error: standard input is not a terminal"), std::string::npos) << output;
    EXPECT_NE(output.find("bye from the demo"), std::string::npos) << output;
    EXPECT_NE(output.find("status=1"), std::string::npos) << output;
}

}  // namespace
