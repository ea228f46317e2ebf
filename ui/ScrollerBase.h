#pragma once

#include "ui/Component.h"

namespace zaffo::ui {

// Shows a taller child in a vertically scrolling view. An invisible marker row,
// moved with the arrow keys, j and k, Page Up and Down, Home, End and the mouse
// wheel, is the row that the view keeps visible.
class ScrollerBase : public ComponentBase {
public:
    explicit ScrollerBase(Component child);

    Element Render() override;
    bool OnEvent(Event event) override;
    bool Focusable() const override { return true; }

    int selected = 0;  // row of the marker, 0 at the top
    int size = 0;      // rows of the child, measured at each render
    Box box;           // where the view was last drawn

private:
    int movedSelection(const Event& event) const;
};

Component Scroller(Component child);

}  // namespace zaffo::ui
