#include "ui/Component.h"

#include <algorithm>

#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

class FreeMouse : public CapturedMouseHandle {};

}  // namespace

ComponentBase::ComponentBase(Components children) {
    for (auto& child : children) Add(std::move(child));
}

ComponentBase::~ComponentBase() { DetachAllChildren(); }

void ComponentBase::Add(Component child) {
    if (!child) return;
    child->Detach();
    child->parent_ = this;
    children_.push_back(std::move(child));
}

void ComponentBase::Detach() {
    if (!parent_) return;
    auto& siblings = parent_->children_;
    auto it = std::find_if(siblings.begin(), siblings.end(), [this](const Component& c) { return c.get() == this; });
    ComponentBase* parent = parent_;
    parent_ = nullptr;
    if (it != siblings.end()) {
        Component keepAlive = *it;  // the erase may drop the last owner
        parent->children_.erase(it);
    }
}

void ComponentBase::DetachAllChildren() {
    for (auto& child : children_) child->parent_ = nullptr;
    children_.clear();
}

Element ComponentBase::Render() {
    Component active = ActiveChild();
    if (active) return active->Render();
    if (!children_.empty()) return children_.front()->Render();
    return text("");
}

bool ComponentBase::OnEvent(Event event) {
    for (auto& child : children_)
        if (child->OnEvent(event)) return true;
    return false;
}

Component ComponentBase::ActiveChild() {
    for (auto& child : children_)
        if (child->Focusable()) return child;
    return nullptr;
}

bool ComponentBase::Focusable() const {
    return std::any_of(children_.begin(), children_.end(), [](const Component& c) { return c->Focusable(); });
}

void ComponentBase::SetActiveChild(ComponentBase*) {}

bool ComponentBase::Active() const {
    for (const ComponentBase* node = this; node->parent_; node = node->parent_)
        if (node->parent_->ActiveChild().get() != node) return false;
    return true;
}

bool ComponentBase::Focused() const { return Active() && Focusable(); }

void ComponentBase::TakeFocus() {
    for (ComponentBase* child = this; child->parent_; child = child->parent_) child->parent_->SetActiveChild(child);
}

CapturedMouse ComponentBase::CaptureMouse(const Event& event) {
    if (!event.mouseCapture()) return std::make_unique<FreeMouse>();
    return event.mouseCapture()->take();
}

}  // namespace zaffo::ui
