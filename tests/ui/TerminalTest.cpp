// Runs the demo screen in a real terminal (tmux), types at it and reads it back.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <thread>

#include "tests/support/Wait.h"

namespace {

using zaffo::test::waitUntil;

std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  std::array<char, 4096> buffer{};
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
  pclose(pipe);
  return output;
}

// A private tmux server of its own per test (a new one on a name just killed may meet the old
// one dying), with one 80 x 24 window running a plain shell.
class Tmux {
 public:
  Tmux()
      : prefix_("tmux -L zaffo-ui-test-" + std::to_string(getpid()) + "-" + std::to_string(++servers) +
                " -f /dev/null ") {
    run(prefix_ + "new-session -d -x 80 -y 24 -s t 'bash --norc --noprofile' 2>&1");
  }
  ~Tmux() { run(prefix_ + "kill-server 2>/dev/null"); }

  std::string screen() const { return run(prefix_ + "capture-pane -p -t t"); }
  void keys(const std::string& names) const { run(prefix_ + "send-keys -t t " + names); }
  void type(const std::string& line) const {
    keys("-l '" + line + "'");
    keys("Enter");
  }
  void resize(int width, int height) const {
    run(prefix_ + "resize-window -t t -x " + std::to_string(width) + " -y " + std::to_string(height));
  }
  bool waitFor(const std::string& text) const {
    return waitUntil([&] { return screen().find(text) != std::string::npos; });
  }

 private:
  static inline int servers = 0;
  std::string prefix_;
};

class TerminalScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (run("command -v tmux").find("tmux") == std::string::npos) GTEST_SKIP() << "tmux is not installed";
  }

  // Starts the demo from the shell and returns its process id, read off the screen.
  pid_t startDemo(const std::string& tag, const std::string& environment = "") {
    tmux.type("clear; " + environment + " " + ZAFFO_UI_DEMO + "; echo " + tag + "-exit=$?");
    static const std::regex pidLine("pid ([0-9]+)");
    std::smatch match;
    std::string shown;
    if (!waitUntil([&] { return std::regex_search(shown = tmux.screen(), match, pidLine); })) return 0;
    return static_cast<pid_t>(std::stoi(match[1]));
  }

  void expectCleanEnd(const std::string& tag) {
    EXPECT_TRUE(tmux.waitFor(tag + "-exit=0")) << tmux.screen();
    std::string after = tmux.screen();
    EXPECT_NE(after.find("bye from the demo"), std::string::npos) << "destructors ran";
    EXPECT_EQ(after.find("pid "), std::string::npos) << "the alternate screen is gone";
    tmux.type("echo echo-$((40+2))");
    EXPECT_TRUE(tmux.waitFor("echo-42")) << "the shell reads lines again";
  }

  Tmux tmux;
};

TEST_F(TerminalScreen, DrawsReactsToKeysMouseResizeAndPostedEvents) {
  // Under the bare C locale the screen still draws its glyphs, in UTF-8.
  pid_t demo = startDemo("keys", "LC_ALL=C LANG=C");
  ASSERT_NE(demo, 0) << tmux.screen();
  // Each step is waited for, as the terminal may show a frame in pieces.
  const std::pair<std::string, std::string> steps[] = {
      {"", "┌Info────"},
      {"", "│wide 世界|"},
      {"", "│☐ Play"},
      {"Space", "│▣ Play"},
      {"Down Right Right", "play on level 5"},
      {"BTab", "last shift-tab"},
      {"-l 'é'", "last char é"},
      {"-H 1b 5b 4d 20 22 2a", "play off level 5"},  // a left press on the box, reported the classic way
      {"Down Down End", "│line 29"},                 // the click focused the box; the list is two rows down
      {"Up", "last up"},
      {"signal", "posted 1 seen 1 tasks 1"},         // an event and a task posted from another thread
      {"", "last custom"},
      {"signal", "posted 2 seen 2 tasks 2"},
      {"resize", "last resize"},
  };
  for (const auto& [keys, shown] : steps) {
    if (keys == "signal") kill(demo, SIGUSR1);
    else if (keys == "resize") tmux.resize(100, 30);
    else if (!keys.empty()) tmux.keys(keys);
    EXPECT_TRUE(tmux.waitFor(shown)) << keys << "\n" << tmux.screen();
  }
  EXPECT_TRUE(waitUntil([&] {
    std::string shown = tmux.screen(), top = shown.substr(0, shown.find('\n'));
    auto columns = std::count_if(top.begin(), top.end(), [](char c) { return (c & 0xC0) != 0x80; });
    return columns == 100 && top.ends_with("┐");
  })) << "the frame fills the new width\n" << tmux.screen();
  tmux.keys("C-c");
  expectCleanEnd("keys");
}

TEST_F(TerminalScreen, SignalsAndExitFromAnotherThreadEndTheLoopCleanly) {
  for (int signal : {SIGTERM, SIGHUP, SIGINT, SIGUSR2}) {
    std::string tag = "signal" + std::to_string(signal);
    pid_t demo = startDemo(tag);
    ASSERT_NE(demo, 0) << tmux.screen();
    kill(demo, signal);
    expectCleanEnd(tag);
  }
}

TEST_F(TerminalScreen, ASecondInterruptEndsAStuckLoopAtOnce) {
  struct Case {
    const char* tag;
    std::function<void(pid_t)> interrupt;
    const char* status;
  };
  const Case cases[] = {
      {"keys", [this](pid_t) { tmux.keys("C-c"); }, "130"},
      {"term", [](pid_t demo) { kill(demo, SIGTERM); }, "143"},
  };
  for (const Case& c : cases) {
    const std::string tag = std::string("stuck-") + c.tag;
    pid_t demo = startDemo(tag);
    ASSERT_NE(demo, 0) << tmux.screen();
    tmux.keys("S");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Apart, as a person would press them: two signals pending at once count as one.
    c.interrupt(demo);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    c.interrupt(demo);
    EXPECT_TRUE(tmux.waitFor(tag + "-exit=" + c.status)) << tmux.screen();
    EXPECT_EQ(tmux.screen().find("pid "), std::string::npos) << "the alternate screen is gone";
    tmux.type("echo echo-$((40+2))");
    EXPECT_TRUE(tmux.waitFor("echo-42")) << "the shell reads lines again";
  }
}

TEST_F(TerminalScreen, AnInvalidSequenceBecomesOneReplacementAndTheLettersAfterItStay) {
  ASSERT_NE(startDemo("utf8"), 0) << tmux.screen();
  // A stray byte, and a three-byte sequence cut short by a letter.
  tmux.keys("-H 75 ff 41 42 e2 82 43 c3 a9");
  EXPECT_TRUE(tmux.waitFor("typed u\uFFFDAB\uFFFDCé")) << tmux.screen();
  tmux.keys("C-c");
  expectCleanEnd("utf8");
}

TEST(TerminalScreenWithoutTerminal, RefusesToLoopOnInputThatIsNoTerminal) {
  std::string output = run(std::string(ZAFFO_UI_DEMO) + " </dev/null 2>&1; echo status=$?");
  EXPECT_NE(output.find("error: standard input is not a terminal"), std::string::npos) << output;
  EXPECT_NE(output.find("bye from the demo"), std::string::npos) << output;
  EXPECT_NE(output.find("status=1"), std::string::npos) << output;
}

}  // namespace
