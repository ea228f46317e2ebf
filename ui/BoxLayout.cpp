#include <algorithm>

#include "FlexLayout.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

// The selection of the child with the strongest one, moved by `offset` along the axis.
void takeSelection(Requirement& parent, const Requirement& child, int dx, int dy) {
    if (child.selection <= parent.selection) return;
    parent.selection = child.selection;
    parent.selected_box = child.selected_box;
    parent.selected_box.x_min += dx;
    parent.selected_box.x_max += dx;
    parent.selected_box.y_min += dy;
    parent.selected_box.y_max += dy;
}

// Children side by side along one axis: `horizontal` for hbox, vertical for vbox.
template <bool horizontal>
class LinearBox : public Node {
public:
    using Node::Node;

    void ComputeRequirement() override {
        requirement_ = Requirement{};
        for (auto& child : children_) {
            child->ComputeRequirement();
            const Requirement& r = child->requirement();
            takeSelection(requirement_, r, horizontal ? requirement_.min_x : 0, horizontal ? 0 : requirement_.min_y);
            along(requirement_) = addCells(along(requirement_), along(r));
            scroll(requirement_) = addCells(scroll(requirement_), scroll(r));
            across(requirement_) = std::max(across(requirement_), across(r));
        }
    }

    void SetBox(Box box) override {
        Node::SetBox(box);
        std::vector<FlexItem> items;
        for (auto& child : children_) {
            const Requirement& r = child->requirement();
            items.push_back(horizontal ? FlexItem{r.min_x, r.flex_grow_x, r.flex_shrink_x, 0, r.scroll_x}
                                       : FlexItem{r.min_y, r.flex_grow_y, r.flex_shrink_y, 0, r.scroll_y});
        }
        distribute(items, horizontal ? box.x_max - box.x_min + 1 : box.y_max - box.y_min + 1);
        int at = horizontal ? box.x_min : box.y_min;
        for (size_t i = 0; i < children_.size(); ++i) {
            const int last = at + items[i].size - 1;
            children_[i]->SetBox(horizontal ? Box{at, last, box.y_min, box.y_max}
                                            : Box{box.x_min, box.x_max, at, last});
            at += items[i].size;
        }
    }

private:
    static int& along(Requirement& r) { return horizontal ? r.min_x : r.min_y; }
    static int along(const Requirement& r) { return horizontal ? r.min_x : r.min_y; }
    static int& across(Requirement& r) { return horizontal ? r.min_y : r.min_x; }
    static int across(const Requirement& r) { return horizontal ? r.min_y : r.min_x; }
    static int& scroll(Requirement& r) { return horizontal ? r.scroll_x : r.scroll_y; }
    static int scroll(const Requirement& r) { return horizontal ? r.scroll_x : r.scroll_y; }
};

using HBox = LinearBox<true>;
using VBox = LinearBox<false>;

class DBox : public Node {
public:
    using Node::Node;

    void ComputeRequirement() override {
        requirement_ = Requirement{};
        // The stack gives up no more than its least yielding layer allows.
        int floorX = 0, floorY = 0;
        for (auto& child : children_) {
            child->ComputeRequirement();
            const Requirement& r = child->requirement();
            floorX = std::max(floorX, r.min_x - r.scroll_x);
            floorY = std::max(floorY, r.min_y - r.scroll_y);
            takeSelection(requirement_, r, 0, 0);
            requirement_.min_x = std::max(requirement_.min_x, r.min_x);
            requirement_.min_y = std::max(requirement_.min_y, r.min_y);
            requirement_.flex_grow_x = std::max(requirement_.flex_grow_x, r.flex_grow_x);
            requirement_.flex_grow_y = std::max(requirement_.flex_grow_y, r.flex_grow_y);
            requirement_.flex_shrink_x = std::max(requirement_.flex_shrink_x, r.flex_shrink_x);
            requirement_.flex_shrink_y = std::max(requirement_.flex_shrink_y, r.flex_shrink_y);
        }
        requirement_.scroll_x = requirement_.min_x - floorX;
        requirement_.scroll_y = requirement_.min_y - floorY;
    }

    void SetBox(Box box) override {
        Node::SetBox(box);
        for (auto& child : children_) child->SetBox(box);
    }
};

}  // namespace

Element hbox(Elements children) { return std::make_shared<HBox>(std::move(children)); }
Element vbox(Elements children) { return std::make_shared<VBox>(std::move(children)); }
Element dbox(Elements children) { return std::make_shared<DBox>(std::move(children)); }

}  // namespace zaffo::ui
