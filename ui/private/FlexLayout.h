#pragma once

#include <vector>

namespace zaffo::ui {

struct FlexItem {
    int min_size = 0;
    int flex_grow = 0;
    int flex_shrink = 0;
    int size = 0;
    int scroll = 0;  // part of min_size that scrolling can give up
};

// Sizes items along one axis so that they fill `space`: extra space goes to the
// growing items in proportion to their grow factors. Missing space is taken first
// from what scrolling frames can give up, then from the shrinking items in
// proportion to their size, and only when those are gone from the others.
void distribute(std::vector<FlexItem>& items, int space);

}  // namespace zaffo::ui
