// A small screen for the terminal test: a check box, a slider, a scrolling list, the
// last event seen and counters of what another thread posted (on SIGUSR1). Typing S
// makes the loop hang for a minute.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

#include "ui/Components.h"
#include "ui/Elements.h"
#include "ui/ScreenInteractive.h"
#include "ui/ScrollerBase.h"
#include "ui/custom_Border.h"

using namespace zaffo::ui;

namespace {

std::string describe(const Event& event) {
  if (event.is_character()) return "char " + event.character();
  if (event == Event::Custom) return "custom";
  if (event == Event::Resize) return "resize";
  if (event == Event::TabReverse) return "shift-tab";
  if (event == Event::ArrowUp) return "up";
  return "key " + std::to_string(static_cast<int>(event.kind()));
}

Element pane(std::string title, Element content) {
  return std::make_shared<custom_Border>(Elements{std::move(content), text(std::move(title))}, 0);
}

// Shows that Loop returned and the destructors of the caller's objects ran.
struct Farewell {
  ~Farewell() { std::printf("bye from the demo\n"); }
};

}  // namespace

int main() {
  Farewell farewell;
  sigset_t userSignals;
  sigemptyset(&userSignals);
  sigaddset(&userSignals, SIGUSR1);
  sigaddset(&userSignals, SIGUSR2);
  pthread_sigmask(SIG_BLOCK, &userSignals, nullptr);

  auto screen = ScreenInteractive::Fullscreen();
  std::atomic<int> posted{0};
  int tasksRun = 0;
  // SIGUSR1 posts an event and a task from this thread; SIGUSR2 ends the loop from it.
  std::thread poster([&] {
    for (int signal = 0; sigwait(&userSignals, &signal) == 0 && signal == SIGUSR1;) {
      ++posted;
      screen.PostEvent(Event::Custom);
      screen.Post([&] { ++tasksRun; });
    }
    screen.Exit();
  });

  bool play = false;
  int level = 3;
  std::string lastEvent = "none";
  std::string typed;
  int customSeen = 0;
  Component checkbox = Checkbox("Play", &play);
  Component slider = Slider("Level ", &level, 0, 10, 1);
  Component list = Scroller(Container::Vertical({Renderer([] {
    Elements lines;
    for (int i = 0; i < 30; ++i) lines.push_back(text("line " + std::to_string(i)));
    return vbox(std::move(lines));
  })}));
  Component controls = Container::Vertical({checkbox, slider, list});
  Component layout = Renderer(controls, [&] {
    Element info = vbox({
        text("pid " + std::to_string(getpid())),
        text("play " + std::string(play ? "on" : "off") + " level " + std::to_string(level)),
        text("last " + lastEvent),
        text("typed " + typed),
        text("posted " + std::to_string(posted.load()) + " seen " + std::to_string(customSeen) +
             " tasks " + std::to_string(tasksRun)),
        text("wide 世界|") | bold | color(Color::Green),
    });
    Element settings = vbox({checkbox->Render(), slider->Render() | size(WIDTH, EQUAL, 24)});
    return hbox({
        vbox({pane("Info", info), pane("Settings", settings)}),
        pane("List", list->Render()) | size(HEIGHT, EQUAL, 8) | xflex,
    });
  });
  Component root = CatchEvent(layout, [&](Event event) {
    // A handler that never returns in time: the loop is stuck.
    if (event == Event::Character('S')) std::this_thread::sleep_for(std::chrono::seconds(60));
    lastEvent = describe(event);
    if (event.is_character()) typed += event.character();
    if (event == Event::Custom) ++customSeen;
    return false;
  });

  int status = 0;
  try {
    screen.Loop(root);
  } catch (const std::exception& error) {
    std::printf("error: %s\n", error.what());
    status = 1;
  }
  kill(getpid(), SIGUSR2);
  poster.join();
  std::printf("loop ended\n");
  return status;
}
