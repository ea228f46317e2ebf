#include "ui/Node.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace zaffo::ui {

int addCells(int a, int b) {
    constexpr int64_t most = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp<int64_t>(int64_t{a} + b, -most, most));
}

Node::Node(Elements children) : children_(std::move(children)) {}

Node::~Node() = default;

void Node::ComputeRequirement() {
    for (auto& child : children_) child->ComputeRequirement();
}

void Node::SetBox(Box box) { box_ = box; }

void Node::Render(Screen& screen) {
    for (auto& child : children_) child->Render(screen);
}

Element operator|(Element element, const Decorator& decorator) { return decorator(std::move(element)); }

Element& operator|=(Element& element, const Decorator& decorator) {
    element = decorator(std::move(element));
    return element;
}

Elements operator|(Elements elements, const Decorator& decorator) {
    for (auto& element : elements) element = decorator(std::move(element));
    return elements;
}

Decorator operator|(Decorator first, Decorator second) {
    return [first = std::move(first), second = std::move(second)](Element element) {
        return second(first(std::move(element)));
    };
}

void Render(Screen& screen, const Element& element) {
    screen.stencil = screen.area();
    element->ComputeRequirement();
    element->SetBox(screen.area());
    element->Render(screen);
}

}  // namespace zaffo::ui
