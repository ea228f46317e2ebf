#include <algorithm>

#include "ui/Components.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

class ContainerBase : public ComponentBase {
public:
    ContainerBase(Components children, int* selector)
        : ComponentBase(std::move(children)), selector_(selector ? selector : &ownSelector_) {}

    Component ActiveChild() override {
        if (children_.empty()) return nullptr;
        int index = std::clamp(*selector_, 0, static_cast<int>(children_.size()) - 1);
        return children_[index];
    }

    void SetActiveChild(ComponentBase* child) override {
        for (size_t i = 0; i < children_.size(); ++i)
            if (children_[i].get() == child) *selector_ = static_cast<int>(i);
    }

    bool OnEvent(Event event) override {
        if (event.is_mouse()) return ComponentBase::OnEvent(event);
        if (!Focused()) return false;
        Component active = ActiveChild();
        if (active && active->OnEvent(event)) return true;
        return navigate(event);
    }

protected:
    virtual bool navigate(const Event& event) = 0;

    Elements childElements() {
        Elements elements;
        for (auto& child : children_) elements.push_back(child->Render());
        return elements;
    }

    // Moves to the nearest child in `step` direction that can take focus.
    bool move(int step) {
        int count = static_cast<int>(children_.size());
        for (int i = current() + step; i >= 0 && i < count; i += step) {
            if (!children_[i]->Focusable()) continue;
            *selector_ = i;
            return true;
        }
        return false;
    }

    bool moveWrapping(int step) {
        int count = static_cast<int>(children_.size());
        for (int k = 1; k < count; ++k) {
            int i = ((current() + step * k) % count + count) % count;
            if (!children_[i]->Focusable()) continue;
            *selector_ = i;
            return true;
        }
        return false;
    }

private:
    int current() const { return std::clamp(*selector_, 0, std::max(static_cast<int>(children_.size()) - 1, 0)); }

    int ownSelector_ = 0;
    int* selector_;
};

class VerticalContainer : public ContainerBase {
public:
    using ContainerBase::ContainerBase;
    Element Render() override { return vbox(childElements()); }

private:
    bool navigate(const Event& event) override {
        if (event == Event::ArrowUp) return move(-1);
        if (event == Event::ArrowDown) return move(+1);
        if (event == Event::Tab) return moveWrapping(+1);
        if (event == Event::TabReverse) return moveWrapping(-1);
        return false;
    }
};

class HorizontalContainer : public ContainerBase {
public:
    using ContainerBase::ContainerBase;
    Element Render() override { return hbox(childElements()); }

private:
    bool navigate(const Event& event) override {
        if (event == Event::ArrowLeft) return move(-1);
        if (event == Event::ArrowRight) return move(+1);
        if (event == Event::Tab) return moveWrapping(+1);
        if (event == Event::TabReverse) return moveWrapping(-1);
        return false;
    }
};

}  // namespace

namespace Container {

Component Vertical(Components children, int* selector) {
    return Make<VerticalContainer>(std::move(children), selector);
}

Component Horizontal(Components children, int* selector) {
    return Make<HorizontalContainer>(std::move(children), selector);
}

}  // namespace Container
}  // namespace zaffo::ui
