#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "ui/Component.h"

namespace zaffo::ui {

namespace Container {
// Children stacked or side by side; the arrow keys along the axis move to the next
// child that can take focus, Tab and Shift+Tab do the same and wrap around. With
// `selector` the index of the active child lives outside, where the caller can set it.
Component Vertical(Components children, int* selector = nullptr);
Component Horizontal(Components children, int* selector = nullptr);
}  // namespace Container

// Draws with `render`; events and focus go to `child`.
Component Renderer(Component child, std::function<Element()> render);
// Draws with `render`; has no children and never takes focus.
Component Renderer(std::function<Element()> render);
// While `*shown` is false the child takes no event and cannot have the focus, so that
// Tab, Shift+Tab and the arrows pass over it. It still renders: the layout decides
// whether its element is drawn.
Component Hideable(Component child, const bool* shown);
// Offers every event to `handler` first; what it leaves goes on to `child`.
Component CatchEvent(Component child, std::function<bool(Event)> handler);

struct CheckboxOption {
    std::string checked = "▣ ";
    std::string unchecked = "☐ ";
    // Called after the box has been toggled by a key or the mouse.
    std::function<void()> on_change = [] {};
};

// Space, Return and a left click toggle `*checked`.
Component Checkbox(std::string label, bool* checked, CheckboxOption option = {});

// Left and right arrows (or h and l) move the value by `increment`, a click or drag
// on the gauge sets it; the value stays within [min, max].
Component Slider(std::string label, int* value, int min, int max, int increment);
Component Slider(std::string label, float* value, float min, float max, float increment);
Component Slider(std::string label, std::atomic<int>* value, int min, int max, int increment);
Component Slider(std::string label, std::atomic<float>* value, float min, float max, float increment);

}  // namespace zaffo::ui
