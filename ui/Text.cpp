#include <algorithm>

#include "ui/Elements.h"
#include "ui/Utf8.h"

namespace zaffo::ui {
namespace {

struct Glyph {
    std::string utf8;
    int width;
};

class Text : public Node {
public:
    explicit Text(const std::u32string& text) {
        for (char32_t c : text) append(c);
    }

    void ComputeRequirement() override {
        requirement_ = Requirement{};
        requirement_.min_y = 1;
        for (const auto& glyph : glyphs_) requirement_.min_x = addCells(requirement_.min_x, glyph.width);
    }

    void Render(Screen& screen) override {
        int y = box_.y_min;
        if (y > box_.y_max) return;
        int x = box_.x_min;
        for (const auto& glyph : glyphs_) {
            if (x + glyph.width - 1 > box_.x_max) break;
            screen.at(x, y).glyph = glyph.utf8;
            if (glyph.width == 2) screen.at(x + 1, y).glyph.clear();
            x += glyph.width;
        }
    }

private:
    void append(char32_t c) {
        if (isDrawnBlank(c)) c = U' ';
        if (c < 0x7F) {
            glyphs_.push_back(Glyph{std::string(1, static_cast<char>(c)), 1});
            return;
        }
        int width = cellWidth(c);
        if (width == 0 && !glyphs_.empty()) {
            glyphs_.back().utf8 += toUtf8(std::u32string(1, c));  // a combining mark
            return;
        }
        glyphs_.push_back(Glyph{toUtf8(std::u32string(1, c)), std::max(width, 1)});
    }

    std::vector<Glyph> glyphs_;
};

}  // namespace

Element text(std::string utf8) {
    // Most text on screen is plain ASCII; it needs no decoding.
    bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii) return std::make_shared<Text>(std::u32string(utf8.begin(), utf8.end()));
    return std::make_shared<Text>(toUtf32(utf8));
}

Element text(std::wstring text) { return std::make_shared<Text>(std::u32string(text.begin(), text.end())); }

}  // namespace zaffo::ui
