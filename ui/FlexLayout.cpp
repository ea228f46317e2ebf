#include "FlexLayout.h"

#include <algorithm>
#include <cstdint>

namespace zaffo::ui {
namespace {

// Sizes come from text of any length, so sums are taken in 64 bits and the product of an
// amount and a weight in 128: an int overflows long before a terminal is that large.
// The share never exceeds the amount, since the weight is part of the total.
int64_t share(int64_t amount, int64_t weight, int64_t total) {
    if (total <= 0) return 0;
    return static_cast<int64_t>(static_cast<__int128>(amount) * weight / total);
}

void grow(std::vector<FlexItem>& items, int64_t extra, int64_t growSum) {
    for (auto& item : items) {
        int64_t added = share(extra, item.flex_grow, growSum);
        extra -= added;
        growSum -= item.flex_grow;
        item.size = static_cast<int>(item.min_size + added);
    }
}

void shrinkFlexible(std::vector<FlexItem>& items, int64_t missing, int64_t weightSum) {
    for (auto& item : items) {
        int64_t weight = int64_t{item.min_size} * item.flex_shrink;
        int64_t taken = share(missing, weight, weightSum);
        missing -= taken;
        weightSum -= weight;
        item.size = static_cast<int>(item.min_size - taken);
    }
}

void shrinkAll(std::vector<FlexItem>& items, int64_t missing, int64_t rigidSum) {
    for (auto& item : items) {
        if (item.flex_shrink > 0) {
            item.size = 0;
            continue;
        }
        int64_t taken = share(missing, item.min_size, rigidSum);
        missing -= taken;
        rigidSum -= item.min_size;
        item.size = static_cast<int>(item.min_size - taken);
    }
}

// Lowers the minimum sizes by what the frames can give up, in proportion to that.
void scrollAway(std::vector<FlexItem>& items, int space) {
    int64_t total = 0, scrollSum = 0;
    for (const auto& item : items) {
        total += item.min_size;
        scrollSum += item.scroll;
    }
    int64_t missing = std::min(total - std::max(space, 0), scrollSum);
    for (auto& item : items) {
        if (missing <= 0 || scrollSum <= 0) return;
        int64_t taken = share(missing, item.scroll, scrollSum);
        missing -= taken;
        scrollSum -= item.scroll;
        item.min_size -= static_cast<int>(taken);
    }
}

}  // namespace

void distribute(std::vector<FlexItem>& items, int space) {
    scrollAway(items, space);
    int64_t total = 0, growSum = 0, shrinkWeight = 0, shrinkable = 0;
    for (const auto& item : items) {
        total += item.min_size;
        growSum += item.flex_grow;
        shrinkWeight += int64_t{item.min_size} * item.flex_shrink;
        if (item.flex_shrink > 0) shrinkable += item.min_size;
    }
    int64_t extra = std::max(space, 0) - total;
    if (extra >= 0)
        grow(items, extra, growSum);
    else if (shrinkable + extra >= 0)
        shrinkFlexible(items, -extra, shrinkWeight);
    else
        shrinkAll(items, -(extra + shrinkable), total - shrinkable);
}

}  // namespace zaffo::ui
