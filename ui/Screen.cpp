#include "ui/Screen.h"

#include <algorithm>

#include "ui/Utf8.h"

namespace zaffo::ui {

Screen::Screen(int width, int height)
    : stencil{0, std::max(width, 0) - 1, 0, std::max(height, 0) - 1},
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      cells_(static_cast<size_t>(width_) * height_) {}

Cell& Screen::at(int x, int y) {
    if (!stencil.Contain(x, y) || x < 0 || y < 0 || x >= width_ || y >= height_) {
        scratch_ = Cell{};
        return scratch_;
    }
    return cells_[static_cast<size_t>(y) * width_ + x];
}

const Cell& Screen::at(int x, int y) const {
    static const Cell blank;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return blank;
    return cells_[static_cast<size_t>(y) * width_ + x];
}

void Screen::clear() {
    std::fill(cells_.begin(), cells_.end(), Cell{});
    stencil = area();
}

std::string Screen::visibleGlyph(int x, int y) const {
    const std::string& glyph = at(x, y).glyph;
    if (glyph.empty()) {
        bool afterWideHead = x > 0 && glyphWidth(at(x - 1, y).glyph) == 2;
        return afterWideHead ? std::string() : std::string(" ");
    }
    if (glyphWidth(glyph) == 2) {
        bool tailIntact = x + 1 < width_ && at(x + 1, y).glyph.empty();
        return tailIntact ? glyph : std::string(" ");
    }
    return glyph;
}

std::string Screen::toString() const {
    std::string out;
    for (int y = 0; y < height_; ++y) {
        if (y > 0) out += '\n';
        for (int x = 0; x < width_; ++x) out += visibleGlyph(x, y);
    }
    return out;
}

}  // namespace zaffo::ui
