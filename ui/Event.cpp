#include "ui/Event.h"

#include "ui/Utf8.h"

namespace zaffo::ui {

class MouseRelease : public CapturedMouseHandle {
public:
    explicit MouseRelease(std::shared_ptr<MouseCapture> owner) : owner_(std::move(owner)) {}
    ~MouseRelease() override { owner_->held_ = false; }

private:
    std::shared_ptr<MouseCapture> owner_;
};

CapturedMouse MouseCapture::take() {
    if (held_) return nullptr;
    held_ = true;
    return std::make_unique<MouseRelease>(shared_from_this());
}

Event Event::Character(std::string utf8) {
    Event event(Kind::Character);
    event.text_ = std::move(utf8);
    return event;
}

Event Event::Character(char c) { return Character(std::string(1, c)); }

Event Event::Character(char32_t c) { return Character(toUtf8(std::u32string(1, c))); }

Event Event::Character(wchar_t c) { return Character(static_cast<char32_t>(c)); }

Event Event::Control(char letter) {
    Event event(Kind::Control);
    event.text_ = std::string(1, letter);
    return event;
}

Event Event::MouseEvent(struct Mouse mouse, std::shared_ptr<MouseCapture> capture) {
    Event event(Kind::Mouse);
    event.mouse_ = mouse;
    event.capture_ = std::move(capture);
    return event;
}

Event Event::Key(Kind kind) { return Event(kind); }

const Event Event::ArrowLeft = Event::Key(Kind::ArrowLeft);
const Event Event::ArrowRight = Event::Key(Kind::ArrowRight);
const Event Event::ArrowUp = Event::Key(Kind::ArrowUp);
const Event Event::ArrowDown = Event::Key(Kind::ArrowDown);
const Event Event::Tab = Event::Key(Kind::Tab);
const Event Event::TabReverse = Event::Key(Kind::TabReverse);
const Event Event::Return = Event::Key(Kind::Return);
const Event Event::Escape = Event::Key(Kind::Escape);
const Event Event::Backspace = Event::Key(Kind::Backspace);
const Event Event::Delete = Event::Key(Kind::Delete);
const Event Event::Home = Event::Key(Kind::Home);
const Event Event::End = Event::Key(Kind::End);
const Event Event::PageUp = Event::Key(Kind::PageUp);
const Event Event::PageDown = Event::Key(Kind::PageDown);
const Event Event::Custom = Event::Key(Kind::Custom);
const Event Event::Resize = Event::Key(Kind::Resize);

bool Event::operator==(const Event& other) const {
    if (kind_ != other.kind_) return false;
    if (kind_ == Kind::Character || kind_ == Kind::Control) return text_ == other.text_;
    if (kind_ == Kind::Mouse) return mouse_ == other.mouse_;
    return true;
}

}  // namespace zaffo::ui
