#pragma once

#include <memory>
#include <string>

namespace zaffo::ui {

struct Mouse {
    enum Button { Left, Middle, Right, None, WheelUp, WheelDown };
    enum Motion { Pressed, Released, Moved };
    Button button = None;
    Motion motion = Pressed;
    int x = 0;
    int y = 0;
    bool shift = false;
    bool meta = false;
    bool control = false;

    bool operator==(const Mouse&) const = default;
};

// Held by a component while it owns the mouse (a slider being dragged); releasing it
// lets other components have the mouse again.
class CapturedMouseHandle {
public:
    virtual ~CapturedMouseHandle() = default;
};
using CapturedMouse = std::unique_ptr<CapturedMouseHandle>;

// The one mouse owner of a screen, shared with the events it sends.
class MouseCapture : public std::enable_shared_from_this<MouseCapture> {
public:
    // An empty pointer while someone else holds the mouse.
    CapturedMouse take();

private:
    friend class MouseRelease;
    bool held_ = false;
};

// What a component receives: a typed character, a named key, a mouse report, a
// change of the terminal's size or the program's own Custom event.
class Event {
public:
    enum class Kind {
        Character,
        Control,  // a letter typed with Ctrl held
        Mouse,
        Custom,
        Resize,
        ArrowLeft,
        ArrowRight,
        ArrowUp,
        ArrowDown,
        Tab,
        TabReverse,
        Return,
        Escape,
        Backspace,
        Delete,
        Home,
        End,
        PageUp,
        PageDown,
    };

    static Event Character(std::string utf8);
    static Event Character(char c);
    static Event Character(char32_t c);
    static Event Character(wchar_t c);
    // Ctrl and a letter, 'a' to 'z'.
    static Event Control(char letter);
    static Event MouseEvent(Mouse mouse, std::shared_ptr<MouseCapture> capture = nullptr);
    static Event Key(Kind kind);

    static const Event ArrowLeft, ArrowRight, ArrowUp, ArrowDown;
    static const Event Tab, TabReverse, Return, Escape, Backspace, Delete;
    static const Event Home, End, PageUp, PageDown;
    static const Event Custom;
    // Sent by the screen after the terminal changed its size.
    static const Event Resize;

    Kind kind() const { return kind_; }
    bool is_character() const { return kind_ == Kind::Character; }
    bool is_mouse() const { return kind_ == Kind::Mouse; }
    // The UTF-8 text of a character event; the lowercase letter of a Control event.
    const std::string& character() const { return text_; }
    const struct Mouse& mouse() const { return mouse_; }
    struct Mouse& mouse() {
        return mouse_;
    }
    // Events from a screen carry its mouse owner; events made elsewhere may take the mouse freely.
    const std::shared_ptr<MouseCapture>& mouseCapture() const { return capture_; }

    bool operator==(const Event& other) const;

private:
    explicit Event(Kind kind) : kind_(kind) {}

    Kind kind_;
    std::string text_;
    struct Mouse mouse_;
    std::shared_ptr<MouseCapture> capture_;
};

}  // namespace zaffo::ui
