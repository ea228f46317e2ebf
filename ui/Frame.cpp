#include <algorithm>
#include <cstdint>

#include "PassThrough.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

class Mark : public PassThrough {
public:
    Mark(Element child, Selection selection) : PassThrough(std::move(child)), selection_(selection) {}

    void ComputeRequirement() override {
        PassThrough::ComputeRequirement();
        if (requirement_.selection >= selection_) return;
        requirement_.selection = selection_;
        requirement_.selected_box = Box{0, requirement_.min_x - 1, 0, requirement_.min_y - 1};
    }

private:
    Selection selection_;
};

// Offset of the view into the content so that the marked range sits in the middle
// of the view, as far as the content allows.
int scrollOffset(int markMin, int markMax, int view, int content) {
    int offset = static_cast<int>((int64_t{markMin} + markMax) / 2 - (view - 1) / 2);
    return std::clamp(offset, 0, std::max(content - view, 0));
}

// Keeps the child's requirement: a frame asks for the whole content and, where it
// gets less, shows the part around the marked element.
class Frame : public PassThrough {
public:
    Frame(Element child, bool scrollX, bool scrollY)
        : PassThrough(std::move(child)), scrollX_(scrollX), scrollY_(scrollY) {}

    void ComputeRequirement() override {
        PassThrough::ComputeRequirement();
        if (scrollX_) requirement_.scroll_x = requirement_.min_x;
        if (scrollY_) requirement_.scroll_y = requirement_.min_y;
    }

    void SetBox(Box box) override {
        Node::SetBox(box);
        const Box& mark = requirement_.selected_box;
        int viewW = box.x_max - box.x_min + 1, viewH = box.y_max - box.y_min + 1;
        int contentW = scrollX_ ? std::max(requirement_.min_x, viewW) : viewW;
        int contentH = scrollY_ ? std::max(requirement_.min_y, viewH) : viewH;
        int dx = scrollX_ ? scrollOffset(mark.x_min, mark.x_max, viewW, contentW) : 0;
        int dy = scrollY_ ? scrollOffset(mark.y_min, mark.y_max, viewH, contentH) : 0;
        int left = box.x_min - dx, top = box.y_min - dy;
        children_[0]->SetBox(Box{left, left + contentW - 1, top, top + contentH - 1});
    }

    void Render(Screen& screen) override {
        Box saved = screen.stencil;
        screen.stencil = Box::Intersection(saved, box_);
        children_[0]->Render(screen);
        screen.stencil = saved;
    }

private:
    bool scrollX_;
    bool scrollY_;
};

class Reflect : public PassThrough {
public:
    Reflect(Element child, Box& target) : PassThrough(std::move(child)), target_(target) {}

    void Render(Screen& screen) override {
        target_ = Box::Intersection(box_, screen.stencil);
        children_[0]->Render(screen);
    }

private:
    Box& target_;
};

}  // namespace

Element focus(Element child) { return std::make_shared<Mark>(std::move(child), Selection::Focused); }
Element select(Element child) { return std::make_shared<Mark>(std::move(child), Selection::Selected); }
Element frame(Element child) { return std::make_shared<Frame>(std::move(child), true, true); }
Element xframe(Element child) { return std::make_shared<Frame>(std::move(child), true, false); }
Element yframe(Element child) { return std::make_shared<Frame>(std::move(child), false, true); }

Decorator reflect(Box& box) {
    return [&box](Element child) { return std::make_shared<Reflect>(std::move(child), box); };
}

}  // namespace zaffo::ui
