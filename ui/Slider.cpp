#include <algorithm>
#include <cmath>

#include "ui/Components.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

template <typename T>
struct ValueAccess {
    std::function<T()> get;
    std::function<void(T)> set;
};

template <typename T>
class SliderBase : public ComponentBase {
public:
    SliderBase(std::string label, ValueAccess<T> value, T min, T max, T increment)
        : label_(std::move(label)),
          value_(std::move(value)),
          min_(std::min(min, max)),
          max_(std::max(min, max)),
          increment_(increment) {}

    Element Render() override {
        bool focused = Focused();
        Element bar = gauge(fraction()) | flex | reflect(gaugeBox_);
        if (focused) bar = bar | bold | focus;
        Element label = text(label_);
        if (focused) label = label | inverted;
        return hbox({label, text("[") | color(Color::GrayDark), bar, text("]") | color(Color::GrayDark)});
    }

    bool OnEvent(Event event) override {
        if (event.is_mouse()) return onMouse(event);
        if (event == Event::ArrowLeft || event == Event::Character('h')) return store(value_.get() - increment_);
        if (event == Event::ArrowRight || event == Event::Character('l')) return store(value_.get() + increment_);
        return false;
    }

    bool Focusable() const override { return true; }

private:
    float fraction() const {
        if (max_ <= min_) return 0.0f;
        return static_cast<float>(value_.get() - min_) / static_cast<float>(max_ - min_);
    }

    bool store(T value) {
        value_.set(std::clamp(value, min_, max_));
        return true;
    }

    bool onMouse(const Event& event) {
        const Mouse& mouse = event.mouse();
        if (dragging_) {
            if (mouse.motion == Mouse::Released)
                dragging_.reset();
            else
                setFromColumn(mouse.x);
            return true;
        }
        if (mouse.button != Mouse::Left || mouse.motion != Mouse::Pressed) return false;
        if (!gaugeBox_.Contain(mouse.x, mouse.y)) return false;
        dragging_ = CaptureMouse(event);
        if (!dragging_) return false;
        TakeFocus();
        setFromColumn(mouse.x);
        return true;
    }

    // The gauge's first column is the minimum and its last the maximum; the value
    // snaps to the increments counted from the minimum.
    void setFromColumn(int x) {
        int width = gaugeBox_.x_max - gaugeBox_.x_min;
        double share = width > 0 ? std::clamp(double(x - gaugeBox_.x_min) / width, 0.0, 1.0) : 0.0;
        double raw = share * double(max_ - min_);
        double steps = increment_ > T(0) ? std::round(raw / double(increment_)) : 0.0;
        store(static_cast<T>(double(min_) + steps * double(increment_)));
    }

    std::string label_;
    ValueAccess<T> value_;
    T min_;
    T max_;
    T increment_;
    Box gaugeBox_;
    CapturedMouse dragging_;
};

template <typename T>
Component makeSlider(std::string label, ValueAccess<T> access, T min, T max, T increment) {
    return Make<SliderBase<T>>(std::move(label), std::move(access), min, max, increment);
}

template <typename T>
ValueAccess<T> plain(T* value) {
    return {[value] { return *value; }, [value](T v) { *value = v; }};
}

template <typename T>
ValueAccess<T> shared(std::atomic<T>* value) {
    return {[value] { return value->load(); }, [value](T v) { value->store(v); }};
}

}  // namespace

Component Slider(std::string label, int* value, int min, int max, int increment) {
    return makeSlider(std::move(label), plain(value), min, max, increment);
}

Component Slider(std::string label, float* value, float min, float max, float increment) {
    return makeSlider(std::move(label), plain(value), min, max, increment);
}

Component Slider(std::string label, std::atomic<int>* value, int min, int max, int increment) {
    return makeSlider(std::move(label), shared(value), min, max, increment);
}

Component Slider(std::string label, std::atomic<float>* value, float min, float max, float increment) {
    return makeSlider(std::move(label), shared(value), min, max, increment);
}

}  // namespace zaffo::ui
