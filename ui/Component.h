#pragma once

#include <memory>
#include <vector>

#include "ui/Event.h"
#include "ui/Node.h"

namespace zaffo::ui {

class ComponentBase;
using Component = std::shared_ptr<ComponentBase>;
using Components = std::vector<Component>;

// An interactive piece of the screen: it renders an element and handles events.
// Components form a tree; along the chain of active children from the root runs the
// focus, and the component at its end that can take focus is the focused one.
class ComponentBase {
public:
    explicit ComponentBase(Components children = {});
    virtual ~ComponentBase();
    ComponentBase(const ComponentBase&) = delete;
    ComponentBase& operator=(const ComponentBase&) = delete;

    ComponentBase* Parent() const { return parent_; }
    size_t ChildCount() const { return children_.size(); }
    Component& ChildAt(size_t index) { return children_.at(index); }
    void Add(Component child);
    void Detach();
    void DetachAllChildren();

    // By default: the active child's element, or an empty text.
    virtual Element Render();
    // By default: offered to each child in turn until one handles it.
    virtual bool OnEvent(Event event);
    // By default: the first child that can take focus.
    virtual Component ActiveChild();
    // By default: whether any child can take focus.
    virtual bool Focusable() const;
    // By default nothing: only containers choose among their children.
    virtual void SetActiveChild(ComponentBase* child);
    void SetActiveChild(const Component& child) { SetActiveChild(child.get()); }

    // On the chain of active children from the root.
    bool Active() const;
    // Active and able to take focus: the component that keys go to.
    bool Focused() const;
    // Makes every ancestor choose the way down to this component.
    void TakeFocus();
    // Empty while another component holds the mouse of the screen that sent `event`.
    CapturedMouse CaptureMouse(const Event& event);

protected:
    Components children_;

private:
    ComponentBase* parent_ = nullptr;
};

template <typename T, typename... Args>
std::shared_ptr<T> Make(Args&&... args) {
    return std::make_shared<T>(std::forward<Args>(args)...);
}

}  // namespace zaffo::ui
