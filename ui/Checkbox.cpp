#include "ui/Components.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

class CheckboxBase : public ComponentBase {
public:
    CheckboxBase(std::string label, bool* checked, CheckboxOption option)
        : label_(std::move(label)), checked_(checked), option_(std::move(option)) {}

    Element Render() override {
        Element box = hbox({text(*checked_ ? option_.checked : option_.unchecked), text(label_)});
        if (Focused())
            box = box | inverted | focus;
        else if (hovered_)
            box = box | bold;
        return box | reflect(box_);
    }

    bool OnEvent(Event event) override {
        if (event.is_mouse()) return onMouse(event);
        hovered_ = false;
        if (event == Event::Character(' ') || event == Event::Return) {
            toggle();
            return true;
        }
        return false;
    }

    bool Focusable() const override { return true; }

private:
    bool onMouse(const Event& event) {
        hovered_ = box_.Contain(event.mouse().x, event.mouse().y);
        if (!hovered_ || !CaptureMouse(event)) return false;
        const Mouse& mouse = event.mouse();
        if (mouse.button != Mouse::Left || mouse.motion != Mouse::Pressed) return false;
        TakeFocus();
        toggle();
        return true;
    }

    void toggle() {
        *checked_ = !*checked_;
        if (option_.on_change) option_.on_change();
    }

    std::string label_;
    bool* checked_;
    CheckboxOption option_;
    bool hovered_ = false;
    Box box_;
};

}  // namespace

Component Checkbox(std::string label, bool* checked, CheckboxOption option) {
    return Make<CheckboxBase>(std::move(label), checked, std::move(option));
}

}  // namespace zaffo::ui
