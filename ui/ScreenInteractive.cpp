#include "ui/ScreenInteractive.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace zaffo::ui {

ScreenInteractive ScreenInteractive::Fullscreen() { return ScreenInteractive(); }

ScreenInteractive::ScreenInteractive() : mouseCapture_(std::make_shared<MouseCapture>()) {
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "wake pipe");
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
}

ScreenInteractive::~ScreenInteractive() {
    close(wakeRead_);
    close(wakeWrite_);
}

void ScreenInteractive::PostEvent(Event event) {
    // Custom carries nothing, so a flag stands for it: posting it neither locks nor allocates,
    // which lets an audio callback ask for a redraw. Custom events waiting together arrive as one.
    if (event == Event::Custom) {
        customPending_.store(true);
        wake();
        return;
    }
    {
        std::lock_guard lock(postedMutex_);
        posted_.emplace_back(std::move(event), nullptr);
    }
    wake();
}

void ScreenInteractive::Post(std::function<void()> task) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.emplace_back(std::nullopt, std::move(task));
    }
    wake();
}

void ScreenInteractive::Exit() {
    quit_ = true;
    wake();
}

std::function<void()> ScreenInteractive::ExitLoopClosure() {
    return [this] { Exit(); };
}

void ScreenInteractive::wake() {
    char byte = 'w';
    // A full pipe already holds a wake-up, so a failed write loses nothing.
    [[maybe_unused]] ssize_t written = write(wakeWrite_, &byte, 1);
}

void ScreenInteractive::drainWakePipe() {
    char buffer[64];
    while (read(wakeRead_, buffer, sizeof buffer) > 0) {}
}

void ScreenInteractive::Loop(Component root) {
    if (!root) return;
    quit_ = false;
    openTerminal();
    try {
        run(*root);
    } catch (...) {
        closeTerminal();
        throw;
    }
    closeTerminal();
}

void ScreenInteractive::run(ComponentBase& root) {
    draw(root);
    while (!quit_) {
        bool terminalGone = !waitForInput();
        drainWakePipe();
        if (takeSignals(root)) break;
        readInput(root);
        runPosted(root);
        if (terminalGone) break;
        if (!quit_) draw(root);
    }
}

bool ScreenInteractive::waitForInput() {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    // No timeout: an idle screen sleeps until a key, a posted event or a signal.
    if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) return true;
        throw std::system_error(errno, std::generic_category(), "poll");
    }
    return (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

void ScreenInteractive::runPosted(ComponentBase& root) {
    if (customPending_.exchange(false)) dispatch(root, Event::Custom);
    std::deque<Posted> batch;
    {
        std::lock_guard lock(postedMutex_);
        batch.swap(posted_);
    }
    for (auto& [event, task] : batch) {
        if (quit_) return;
        if (event) dispatch(root, *event);
        if (task) task();
    }
}

void ScreenInteractive::dispatch(ComponentBase& root, const Event& event) { root.OnEvent(event); }

}  // namespace zaffo::ui
