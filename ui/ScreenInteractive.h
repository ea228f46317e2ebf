#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "ui/Component.h"
#include "ui/Event.h"
#include "ui/Screen.h"
#include "ui/Utf8.h"

struct screen;  // the terminal library's own handle, kept out of this header

namespace zaffo::ui {

// The full-screen terminal. Loop takes over the terminal (alternate screen, raw
// keys, mouse reporting), draws the root component after every batch of events and
// sleeps until the next key, mouse report, resize, posted event or signal. Ctrl+C,
// SIGINT, SIGTERM and SIGHUP end the loop; the terminal is given back as it was
// when Loop returns or throws. A second Ctrl+C, SIGINT or SIGTERM within two seconds
// of the first ends the process at once, even when the loop is stuck in a handler:
// the terminal is reset as far as a signal handler can, and the exit status is
// 128 plus the signal's number. Only one screen may loop at a time.
class ScreenInteractive {
public:
    static ScreenInteractive Fullscreen();
    ~ScreenInteractive();
    ScreenInteractive(const ScreenInteractive&) = delete;
    ScreenInteractive& operator=(const ScreenInteractive&) = delete;

    void Loop(Component root);
    // Callable from any thread; wakes the loop at once. The event is sent to the root.
    // Posting Event::Custom takes no lock and allocates nothing.
    void PostEvent(Event event);
    // Callable from any thread; the task runs on the loop's thread.
    void Post(std::function<void()> task);
    // Callable from any thread; the loop returns after the events already taken.
    void Exit();
    std::function<void()> ExitLoopClosure();

private:
    using Posted = std::pair<std::optional<Event>, std::function<void()>>;

    ScreenInteractive();

    void run(ComponentBase& root);
    // False once the terminal has gone away.
    bool waitForInput();
    void wake();
    void drainWakePipe();
    bool takeSignals(ComponentBase& root);
    void runPosted(ComponentBase& root);
    void dispatch(ComponentBase& root, const Event& event);

    // Terminal side: every call into the terminal library is in one of these.
    void openTerminal();
    void closeTerminal();
    void keepInterruptKey();
    void prepareReset();
    void installSignals();
    void restoreSignals();
    void resizeTerminal();
    void readInput(ComponentBase& root);
    void dispatchTyped(ComponentBase& root, const std::u32string& typed);
    std::optional<Event> translateKey(int key);
    std::optional<Event> readMouse();
    void draw(ComponentBase& root);
    void drawCell(int x, int y);
    short colorPair(Color foreground, Color background);

    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::atomic<bool> quit_{false};
    std::atomic<bool> customPending_{false};
    std::mutex postedMutex_;
    std::deque<Posted> posted_;
    std::shared_ptr<MouseCapture> mouseCapture_;

    struct screen* terminal_ = nullptr;
    Screen grid_{0, 0};
    std::map<std::pair<int, int>, short> colorPairs_;
    bool defaultColors_ = false;
    bool asciiOnly_ = false;  // the user's locale is not UTF-8: glyphs go out as ASCII
    bool leftButtonDown_ = false;
    // Something else may write to the terminal behind the screen's back; a drawing at least this
    // long after the last whole one rewrites every row.
    static constexpr std::chrono::seconds repaintEvery{3};
    std::chrono::steady_clock::time_point lastRepaint_{};
    // Typed bytes are decoded here, not by the terminal library, so that a broken sequence
    // costs one replacement character and nothing after it.
    Utf8Reader typed_;
};

}  // namespace zaffo::ui
