#include "PassThrough.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

// Renders the child, then changes every visible cell of its box.
class Style : public PassThrough {
public:
    Style(Element child, std::function<void(Cell&)> apply) : PassThrough(std::move(child)), apply_(std::move(apply)) {}

    void Render(Screen& screen) override {
        children_[0]->Render(screen);
        Box visible = Box::Intersection(box_, screen.stencil);
        for (int y = visible.y_min; y <= visible.y_max; ++y)
            for (int x = visible.x_min; x <= visible.x_max; ++x) apply_(screen.at(x, y));
    }

private:
    std::function<void(Cell&)> apply_;
};

Element style(Element child, std::function<void(Cell&)> apply) {
    return std::make_shared<Style>(std::move(child), std::move(apply));
}

}  // namespace

Element bold(Element child) {
    return style(std::move(child), [](Cell& cell) { cell.bold = true; });
}

Element dim(Element child) {
    return style(std::move(child), [](Cell& cell) { cell.dim = true; });
}

Element inverted(Element child) {
    return style(std::move(child), [](Cell& cell) { cell.inverted = true; });
}

Element underlined(Element child) {
    return style(std::move(child), [](Cell& cell) { cell.underlined = true; });
}

Element color(Color foreground, Element child) {
    return style(std::move(child), [foreground](Cell& cell) { cell.foreground = foreground; });
}

Element bgcolor(Color background, Element child) {
    return style(std::move(child), [background](Cell& cell) { cell.background = background; });
}

Decorator color(Color foreground) {
    return [foreground](Element child) { return color(foreground, std::move(child)); };
}

Decorator bgcolor(Color background) {
    return [background](Element child) { return bgcolor(background, std::move(child)); };
}

}  // namespace zaffo::ui
