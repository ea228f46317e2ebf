#include <algorithm>

#include "PassThrough.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

// Changes the child's flexibility.
class Adjust : public PassThrough {
public:
    Adjust(Element child, std::function<void(Requirement&)> adjust)
        : PassThrough(std::move(child)), adjust_(std::move(adjust)) {}

    void ComputeRequirement() override {
        PassThrough::ComputeRequirement();
        adjust_(requirement_);
    }

private:
    std::function<void(Requirement&)> adjust_;
};

class Filler : public Node {
public:
    void ComputeRequirement() override {
        requirement_ = Requirement{};
        requirement_.flex_grow_x = requirement_.flex_grow_y = 1;
    }
};

class Size : public PassThrough {
public:
    Size(Element child, WidthOrHeight direction, Constraint constraint, int value)
        : PassThrough(std::move(child)), direction_(direction), constraint_(constraint), value_(std::max(value, 0)) {}

    void ComputeRequirement() override {
        PassThrough::ComputeRequirement();
        bool width = direction_ == WIDTH;
        int& min = width ? requirement_.min_x : requirement_.min_y;
        int& grow = width ? requirement_.flex_grow_x : requirement_.flex_grow_y;
        int& shrink = width ? requirement_.flex_shrink_x : requirement_.flex_shrink_y;
        int& scroll = width ? requirement_.scroll_x : requirement_.scroll_y;
        int floor = min - scroll;
        switch (constraint_) {
            case LESS_THAN:
                min = std::min(min, value_);
                grow = 0;
                break;
            case EQUAL:
                min = value_;
                grow = shrink = 0;
                break;
            case GREATER_THAN:
                min = std::max(min, value_);
                floor = std::max(floor, value_);
                shrink = 0;
                break;
        }
        scroll = constraint_ == EQUAL ? 0 : std::clamp(min - floor, 0, min);
    }

    void SetBox(Box box) override {
        if (constraint_ != GREATER_THAN) {
            if (direction_ == WIDTH)
                box.x_max = std::min(box.x_max, box.x_min + value_ - 1);
            else
                box.y_max = std::min(box.y_max, box.y_min + value_ - 1);
        }
        PassThrough::SetBox(box);
    }

private:
    WidthOrHeight direction_;
    Constraint constraint_;
    int value_;
};

// Made when its box is known, so that it builds only what that box can show.
class Fitted : public Node {
public:
    explicit Fitted(std::function<Element(int, int)> build) : build_(std::move(build)) {}

    void ComputeRequirement() override {
        requirement_ = Requirement{};
        requirement_.flex_grow_x = requirement_.flex_grow_y = 1;
        requirement_.flex_shrink_x = requirement_.flex_shrink_y = 1;
    }

    void SetBox(Box box) override {
        Node::SetBox(box);
        children_.clear();
        Element built = build_(std::max(box.x_max - box.x_min + 1, 0), std::max(box.y_max - box.y_min + 1, 0));
        if (!built) return;
        built->ComputeRequirement();
        built->SetBox(box);
        children_.push_back(std::move(built));
    }

private:
    std::function<Element(int, int)> build_;
};

Element adjust(Element child, std::function<void(Requirement&)> change) {
    return std::make_shared<Adjust>(std::move(child), std::move(change));
}

}  // namespace

Element flex(Element child) {
    return adjust(std::move(child),
                  [](Requirement& r) { r.flex_grow_x = r.flex_grow_y = r.flex_shrink_x = r.flex_shrink_y = 1; });
}

Element xflex(Element child) {
    return adjust(std::move(child), [](Requirement& r) { r.flex_grow_x = r.flex_shrink_x = 1; });
}

Element yflex(Element child) {
    return adjust(std::move(child), [](Requirement& r) { r.flex_grow_y = r.flex_shrink_y = 1; });
}

Element notflex(Element child) {
    return adjust(std::move(child),
                  [](Requirement& r) { r.flex_grow_x = r.flex_grow_y = r.flex_shrink_x = r.flex_shrink_y = 0; });
}

Element filler() { return std::make_shared<Filler>(); }

Element fitted(std::function<Element(int width, int height)> build) {
    return std::make_shared<Fitted>(std::move(build));
}

Decorator size(WidthOrHeight direction, Constraint constraint, int value) {
    return [=](Element child) { return std::make_shared<Size>(std::move(child), direction, constraint, value); };
}

Element nothing(Element child) { return child; }

Element hcenter(Element child) { return hbox({filler(), std::move(child), filler()}); }
Element vcenter(Element child) { return vbox({filler(), std::move(child), filler()}); }

}  // namespace zaffo::ui
