#include "ui/ScrollerBase.h"

#include <algorithm>

#include "ui/Elements.h"

namespace zaffo::ui {

ScrollerBase::ScrollerBase(Component child) { Add(std::move(child)); }

Element ScrollerBase::Render() {
    Decorator marker = Focused() ? Decorator(focus) : Decorator(select);
    Element content = ComponentBase::Render();
    content->ComputeRequirement();
    size = content->requirement().min_y;
    Element markerRows = vbox({text("") | zaffo::ui::size(HEIGHT, EQUAL, selected), text("") | marker});
    return dbox({content, markerRows}) | vscroll_indicator | yframe | yflex | reflect(box);
}

bool ScrollerBase::OnEvent(Event event) {
    if (event.is_mouse() && box.Contain(event.mouse().x, event.mouse().y)) TakeFocus();
    int old = selected;
    selected = std::max(0, std::min(size - 1, movedSelection(event)));
    return selected != old;
}

int ScrollerBase::movedSelection(const Event& event) const {
    int page = box.y_max - box.y_min;
    if (event.is_mouse()) {
        // The wheel scrolls the view under the pointer only, not every scroller on screen.
        const Mouse& mouse = event.mouse();
        if (!box.Contain(mouse.x, mouse.y)) return selected;
        if (mouse.button == Mouse::WheelUp) return selected - 1;
        if (mouse.button == Mouse::WheelDown) return selected + 1;
        return selected;
    }
    if (event == Event::ArrowUp || event == Event::Character('k')) return selected - 1;
    if (event == Event::ArrowDown || event == Event::Character('j')) return selected + 1;
    if (event == Event::PageDown) return selected + page;
    if (event == Event::PageUp) return selected - page;
    if (event == Event::Home) return 0;
    if (event == Event::End) return size;
    return selected;
}

Component Scroller(Component child) { return Make<ScrollerBase>(std::move(child)); }

}  // namespace zaffo::ui
