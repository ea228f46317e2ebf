#include <algorithm>

#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

class Gauge : public Node {
public:
    explicit Gauge(float fraction) : fraction_(std::clamp(fraction, 0.0f, 1.0f)) {}

    void ComputeRequirement() override {
        requirement_ = Requirement{};
        requirement_.min_x = 1;
        requirement_.min_y = 1;
        requirement_.flex_grow_x = requirement_.flex_shrink_x = 1;
    }

    void Render(Screen& screen) override {
        static const char* const partial[] = {" ", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
        int width = box_.x_max - box_.x_min + 1;
        int eighths = static_cast<int>(fraction_ * width * 8 + 0.5f);
        for (int i = 0; i < width; ++i) {
            int filled = std::clamp(eighths - 8 * i, 0, 8);
            screen.at(box_.x_min + i, box_.y_min).glyph = filled == 8 ? "█" : partial[filled];
        }
    }

private:
    float fraction_;
};

}  // namespace

Element gauge(float fraction) { return std::make_shared<Gauge>(fraction); }

}  // namespace zaffo::ui
