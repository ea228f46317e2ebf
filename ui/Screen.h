#pragma once

#include <string>
#include <vector>

#include "ui/Box.h"
#include "ui/Color.h"

namespace zaffo::ui {

// One terminal cell. A character two cells wide sits in the left cell; the right
// cell then holds an empty glyph.
struct Cell {
    std::string glyph = " ";
    Color foreground = Color::Default;
    Color background = Color::Default;
    bool bold = false;
    bool dim = false;
    bool inverted = false;
    bool underlined = false;

    bool operator==(const Cell&) const = default;
};

// The cell grid that elements render into. Writes outside `stencil` go to a
// scratch cell, which is how frames clip what scrolls out of view.
class Screen {
public:
    Screen(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Box area() const { return Box{0, width_ - 1, 0, height_ - 1}; }

    Cell& at(int x, int y);
    const Cell& at(int x, int y) const;
    void clear();

    // The glyph to draw at (x, y): a blank where a wide character lost its other half,
    // and an empty string for the right half of an intact wide character.
    std::string visibleGlyph(int x, int y) const;
    // The grid as plain text, rows separated by newlines.
    std::string toString() const;

    Box stencil;

private:
    int width_;
    int height_;
    std::vector<Cell> cells_;
    Cell scratch_;
};

}  // namespace zaffo::ui
