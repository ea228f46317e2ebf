#include "app/custom_WideInputBase.h"

#include "ui/Elements.h"
#include "ui/Utf8.h"

#include <algorithm>
#include <cwctype>

namespace zaffo {

using namespace ui;

custom_WideInputBase::custom_WideInputBase(std::wstring* content, std::wstring placeholder, InputOption* option)
    : content(content), placeholder(std::move(placeholder)), option(option) {}

int& custom_WideInputBase::cursor() { return option->cursor_position == -1 ? cursorInternal : option->cursor_position; }

void custom_WideInputBase::clampCursor() { cursor() = std::clamp(cursor(), 0, static_cast<int>(content->size())); }

bool custom_WideInputBase::changed() {
    option->on_change();
    return true;
}

Element custom_WideInputBase::Render() {
    blink = !blink;
    clampCursor();
    const Decorator main = Decorator(flex) | size(HEIGHT, EQUAL, 1);
    const bool focused = Focused();
    if (content->empty()) {
        return renderEmpty(main, focused);
    }
    if (focused) {
        return renderEditing(main);
    }
    Element field = text(*content) | main;
    field = hovered ? inverted(field) : field | bgcolor(Color::GrayLight);
    return field | reflect(box);
}

Element custom_WideInputBase::renderEmpty(const Decorator& main, bool focused) {
    Decorator style = Decorator(dim) | main;
    if (focused) {
        style = style | Decorator(ui::focus) | Decorator(bold);
    }
    style = !hovered && !focused ? style | bgcolor(Color::GrayLight) : style | Decorator(inverted);
    Element cursorCell = text(L" ");
    if (blink) cursorCell = underlined(cursorCell);
    return hbox({cursorCell, text(placeholder)}) | style | reflect(box);
}

Element custom_WideInputBase::renderEditing(const Decorator& main) {
    const int length = static_cast<int>(content->size());
    const int at = cursor();
    const std::wstring before = content->substr(0, at);
    const std::wstring under = at < length ? content->substr(at, 1) : L" ";
    const std::wstring after = at < length - 1 ? content->substr(at + 1) : L"";
    Element cursorCell = text(under);
    if (blink) cursorCell = underlined(cursorCell);
    // The frame keeps the focused cell in view: a long line scrolls sideways with the cursor.
    cursorCell = cursorCell | ui::focus | reflect(cursorBox);
    return hbox({text(before), cursorCell, text(after)}) | flex | inverted | frame | bold | main | reflect(box);
}

bool custom_WideInputBase::OnEvent(Event event) {
    clampCursor();
    if (event.is_mouse()) {
        return onMouse(event);
    }
    switch (event.kind()) {
        case Event::Kind::Return:
            option->on_enter();
            return true;
        case Event::Kind::Character:
            return insert(event.character());
        case Event::Kind::Control:
            return onControl(event.character().front());
        default:
            return onEditingKey(event.kind());
    }
}

bool custom_WideInputBase::onEditingKey(Event::Kind key) {
    int& at = cursor();
    const int length = static_cast<int>(content->size());
    switch (key) {
        case Event::Kind::Backspace:
            if (at == 0) return false;
            content->erase(at - 1, 1);
            --at;
            return changed();
        case Event::Kind::Delete:
            if (at == length) return false;
            content->erase(at, 1);
            return changed();
        // At the ends of the line the arrows stay here: handed on, they would move the focus
        // out of the input, and the next character typed would go astray.
        case Event::Kind::ArrowLeft:
            at = std::max(at - 1, 0);
            return true;
        case Event::Kind::ArrowRight:
            at = std::min(at + 1, length);
            return true;
        case Event::Kind::Home:
            at = 0;
            return true;
        case Event::Kind::End:
            at = length;
            return true;
        case Event::Kind::Escape:
            content->clear();
            at = 0;
            return changed();
        default:
            return false;
    }
}

// The shell's keys: Ctrl+A and Ctrl+E to the ends, Ctrl+U and Ctrl+K delete to them, Ctrl+W
// deletes the word before the cursor.
bool custom_WideInputBase::onControl(char letter) {
    int& at = cursor();
    switch (letter) {
        case 'a':
            return onEditingKey(Event::Kind::Home);
        case 'e':
            return onEditingKey(Event::Kind::End);
        case 'u':
            content->erase(0, at);
            at = 0;
            return changed();
        case 'k':
            content->erase(at);
            return changed();
        case 'w': {
            int start = at;
            while (start > 0 && std::iswspace((*content)[start - 1])) --start;
            while (start > 0 && !std::iswspace((*content)[start - 1])) --start;
            content->erase(start, at - start);
            at = start;
            return changed();
        }
        default:
            return false;
    }
}

bool custom_WideInputBase::insert(const std::string& typed) {
    const std::wstring wide = toWide(typed);
    if (wide.empty()) return false;
    int& at = cursor();
    content->insert(content->begin() + at, wide.front());
    ++at;
    return changed();
}

bool custom_WideInputBase::onMouse(const Event& event) {
    const Mouse& mouse = event.mouse();
    hovered = box.Contain(mouse.x, mouse.y) && CaptureMouse(event) != nullptr;
    if (!hovered) {
        return false;
    }
    if (mouse.button != Mouse::Left || mouse.motion != Mouse::Pressed) {
        return false;
    }
    TakeFocus();
    int& at = cursor();
    const int placed = std::clamp(at + (mouse.x - cursorBox.x_min), 0, static_cast<int>(content->size()));
    if (placed != at) {
        at = placed;
        option->on_change();
    }
    return true;
}

Component WideInput(std::wstring* content, std::wstring placeholder, InputOption* option) {
    return std::make_shared<custom_WideInputBase>(content, std::move(placeholder), option);
}

}  // namespace zaffo
