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

namespace {

std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  std::array<char, 4096> buffer{};
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
  pclose(pipe);
  return output;
}

// One private tmux server with one 80 x 24 window running a plain shell.
class Tmux {
 public:
  // A server of its own per test: a new one on a name just killed may meet the old one dying.
  Tmux()
      : prefix_("tmux -L zaffo-ui-test-" + std::to_string(getpid()) + "-" +
                std::to_string(++servers) + " -f /dev/null ") {
    run(prefix_ + "new-session -d -x 80 -y 24 -s t 'bash --norc --noprofile' 2>&1");
  }
  ~Tmux() { run(prefix_ + "kill-server 2>/dev/null"); }

  std::string screen() const { return run(prefix_ + "capture-pane -p -t t"); }
  void keys(const std::string& names) const { run(prefix_ + "send-keys -t t " + names); }
  void type(const std::string& line) const {
    run(prefix_ + "send-keys -t t -l '" + line + "'");
    keys("Enter");
  }
  // Bytes sent as they are, for mouse reports.
  void bytes(const std::string& hex) const { run(prefix_ + "send-keys -t t -H " + hex); }
  void resize(int width, int height) const {
    run(prefix_ + "resize-window -t t -x " + std::to_string(width) + " -y " + std::to_string(height));
  }

  // Polls the screen until `ready` holds, for at most ten seconds.
  bool waitFor(const std::function<bool(const std::string&)>& ready) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (ready(screen())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  bool waitFor(const std::string& text) const {
    return waitFor([&](const std::string& s) { return s.find(text) != std::string::npos; });
  }

 private:
  static inline int servers = 0;
  std::string prefix_;
};

bool haveTmux() { return run("command -v tmux").find("tmux") != std::string::npos; }

class TerminalScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveTmux()) GTEST_SKIP() << "tmux is not installed";
  }

  // Starts the demo from the shell and returns its process id, read off the screen.
  pid_t startDemo(const std::string& tag, const std::string& environment = "") {
    tmux.type(environment + " " + ZAFFO_UI_DEMO + "; echo " + tag + "-exit=$?");
    static const std::regex pidLine("pid ([0-9]+)");
    pid_t pid = 0;
    tmux.waitFor([&](const std::string& s) {
      std::smatch match;
      if (std::regex_search(s, match, pidLine)) pid = static_cast<pid_t>(std::stoi(match[1]));
      return pid != 0;
    });
    return pid;
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

TEST_F(TerminalScreen, DrawsReactsToKeysAndMouseAndCtrlCRestoresTheTerminal) {
  // Under the bare C locale the screen still draws its glyphs, in UTF-8.
  ASSERT_NE(startDemo("keys", "LC_ALL=C LANG=C"), 0) << tmux.screen();
  // The terminal may show the first frame in pieces, so each part is waited for.
  EXPECT_TRUE(tmux.waitFor("┌Info────")) << tmux.screen();
  EXPECT_TRUE(tmux.waitFor("│wide 世界|")) << tmux.screen();
  EXPECT_TRUE(tmux.waitFor("│☐ Play")) << tmux.screen();

  tmux.keys("Space");
  EXPECT_TRUE(tmux.waitFor("│▣ Play")) << tmux.screen();
  tmux.keys("Down Right Right");
  EXPECT_TRUE(tmux.waitFor("play on level 5")) << tmux.screen();
  tmux.keys("BTab");
  EXPECT_TRUE(tmux.waitFor("last shift-tab")) << tmux.screen();
  tmux.keys("-l 'é'");
  EXPECT_TRUE(tmux.waitFor("last char é")) << tmux.screen();

  // A left press on the check box (column 1, row 8), reported the classic way.
  tmux.bytes("1b 5b 4d 20 22 29");
  EXPECT_TRUE(tmux.waitFor("play off level 5")) << tmux.screen();

  // The click gave the check box the focus; two rows down the list takes it and scrolls.
  tmux.keys("Down Down End");
  EXPECT_TRUE(tmux.waitFor("│line 29")) << tmux.screen();

  tmux.keys("C-c");
  expectCleanEnd("keys");
}

TEST_F(TerminalScreen, AnEventPostedFromAnotherThreadRedrawsAtOnce) {
  pid_t demo = startDemo("post");
  ASSERT_NE(demo, 0) << tmux.screen();
  EXPECT_TRUE(tmux.waitFor("posted 0 seen 0 tasks 0"));
  kill(demo, SIGUSR1);
  EXPECT_TRUE(tmux.waitFor("posted 1 seen 1 tasks 1")) << tmux.screen();
  EXPECT_TRUE(tmux.waitFor("last custom")) << tmux.screen();
  kill(demo, SIGUSR1);
  EXPECT_TRUE(tmux.waitFor("posted 2 seen 2 tasks 2")) << tmux.screen();
  tmux.keys("C-c");
  expectCleanEnd("post");
}

TEST_F(TerminalScreen, ExitFromAnotherThreadEndsTheLoop) {
  pid_t demo = startDemo("exit");
  ASSERT_NE(demo, 0) << tmux.screen();
  kill(demo, SIGUSR2);
  expectCleanEnd("exit");
}

TEST_F(TerminalScreen, ResizingRedrawsToTheNewSize) {
  ASSERT_NE(startDemo("resize"), 0) << tmux.screen();
  tmux.resize(100, 30);
  EXPECT_TRUE(tmux.waitFor("last resize")) << tmux.screen();
  EXPECT_TRUE(tmux.waitFor([](const std::string& s) {
    std::string top = s.substr(0, s.find('\n'));
    auto columns = std::count_if(top.begin(), top.end(), [](char c) { return (c & 0xC0) != 0x80; });
    return columns == 100 && top.ends_with("┐");
  })) << tmux.screen();
  tmux.keys("C-c");
  expectCleanEnd("resize");
}

TEST_F(TerminalScreen, TerminationSignalsEndTheLoopCleanly) {
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
    std::string tag = "signal" + std::to_string(signal);
    pid_t demo = startDemo(tag);
    ASSERT_NE(demo, 0) << tmux.screen();
    kill(demo, signal);
    expectCleanEnd(tag);
    tmux.type("clear");
    ASSERT_TRUE(tmux.waitFor([](const std::string& s) { return s.find("bye") == std::string::npos; }));
  }
}

TEST(TerminalScreenWithoutTerminal, RefusesToLoopOnInputThatIsNoTerminal) {
  std::string output = run(std::string(ZAFFO_UI_DEMO) + " </dev/null 2>&1; echo status=$?");
  EXPECT_NE(output.find("error: standard input is not a terminal"), std::string::npos) << output;
  EXPECT_NE(output.find("bye from the demo"), std::string::npos) << output;
  EXPECT_NE(output.find("status=1"), std::string::npos) << output;
}

}  // namespace
