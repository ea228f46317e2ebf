#pragma once

namespace zaffo::ui {

// A rectangle of cells; both bounds are inclusive, so an empty box has x_max < x_min.
struct Box {
    int x_min = 0;
    int x_max = 0;
    int y_min = 0;
    int y_max = 0;

    static Box Intersection(Box a, Box b);
    bool Contain(int x, int y) const;
    bool operator==(const Box&) const = default;
};

}  // namespace zaffo::ui
