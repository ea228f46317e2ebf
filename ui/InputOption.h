#pragma once

#include <functional>

namespace zaffo::ui {

// Options shared between a one-line text input and its owner.
struct InputOption {
    std::function<void()> on_change = [] {};
    std::function<void()> on_enter = [] {};
    // -1: the input keeps its own cursor; otherwise the owner's cursor, in characters.
    int cursor_position = -1;
};

}  // namespace zaffo::ui
