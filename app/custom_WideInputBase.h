#pragma once

#include "ui/Component.h"
#include "ui/InputOption.h"

#include <string>

namespace zaffo {

// A one-line editor over a wide string, with a cursor that blinks at every redraw. A wide
// character here is a whole code point, so the cursor never splits one.
class custom_WideInputBase : public ui::ComponentBase {
public:
    // `content` and `option` belong to the owner and must outlive the component.
    custom_WideInputBase(std::wstring* content, std::wstring placeholder, ui::InputOption* option);

    ui::Element Render() override;
    bool OnEvent(ui::Event event) override;
    bool Focusable() const override { return true; }
    void SetActiveChild(ComponentBase*) override {}

    // The cursor: the owner's position when it has set one, otherwise our own.
    int& cursor();

private:
    void clampCursor();
    bool changed();
    bool onEditingKey(ui::Event::Kind key);
    bool onControl(char letter);
    bool insert(const std::string& typed);
    bool onMouse(const ui::Event& event);
    ui::Element renderEmpty(const ui::Decorator& main, bool focused);
    ui::Element renderEditing(const ui::Decorator& main);

    int cursorInternal = 0;
    bool hovered = false;
    std::wstring* content;
    std::wstring placeholder;
    ui::Box box;
    ui::Box cursorBox;
    ui::InputOption* option;
    bool blink = false;
};

ui::Component WideInput(std::wstring* content, std::wstring placeholder, ui::InputOption* option);

}  // namespace zaffo
