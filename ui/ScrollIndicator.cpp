#include <algorithm>

#include "PassThrough.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

// Where content row `row` falls on a bar of `view` rows, in half rows, rounded.
int halfRows(int row, int view, int content) { return (4 * row * view + content) / (2 * content); }

class VScrollIndicator : public PassThrough {
public:
    explicit VScrollIndicator(Element child) : PassThrough(std::move(child)) {}

    void ComputeRequirement() override {
        PassThrough::ComputeRequirement();
        requirement_.min_x += 1;
    }

    void SetBox(Box box) override {
        Node::SetBox(box);
        box.x_max -= 1;
        children_[0]->SetBox(box);
    }

    // The bar is measured in half rows, so its ends can stop in the middle of a cell.
    void Render(Screen& screen) override {
        children_[0]->Render(screen);
        Box visible = Box::Intersection(box_, screen.stencil);
        int content = box_.y_max - box_.y_min + 1;
        int view = visible.y_max - visible.y_min + 1;
        if (view <= 0 || view >= content) return;
        int offset = visible.y_min - box_.y_min;
        int start = halfRows(offset, view, content);
        int end = std::max(halfRows(offset + view, view, content), start + 1);
        for (int row = 0; row < view; ++row) {
            bool upper = start <= 2 * row && 2 * row < end;
            bool lower = start <= 2 * row + 1 && 2 * row + 1 < end;
            const char* glyph = upper && lower ? "┃" : upper ? "╹" : lower ? "╻" : " ";
            screen.at(box_.x_max, visible.y_min + row).glyph = glyph;
        }
    }
};

}  // namespace

Element vscroll_indicator(Element child) { return std::make_shared<VScrollIndicator>(std::move(child)); }

}  // namespace zaffo::ui
