#include "ui/FlexLayout.h"

#include <algorithm>

namespace zaffo::ui {
namespace {

void grow(std::vector<FlexItem>& items, int extra, int growSum) {
  for (auto& item : items) {
    int added = growSum > 0 ? extra * item.flex_grow / growSum : 0;
    extra -= added;
    growSum -= item.flex_grow;
    item.size = item.min_size + added;
  }
}

void shrinkFlexible(std::vector<FlexItem>& items, int missing, int weightSum) {
  for (auto& item : items) {
    int weight = item.min_size * item.flex_shrink;
    int taken = weightSum > 0 ? missing * weight / weightSum : 0;
    missing -= taken;
    weightSum -= weight;
    item.size = item.min_size - taken;
  }
}

void shrinkAll(std::vector<FlexItem>& items, int missing, int rigidSum) {
  for (auto& item : items) {
    if (item.flex_shrink > 0) {
      item.size = 0;
      continue;
    }
    int taken = rigidSum > 0 ? missing * item.min_size / rigidSum : 0;
    missing -= taken;
    rigidSum -= item.min_size;
    item.size = item.min_size - taken;
  }
}

// Lowers the minimum sizes by what the frames can give up, in proportion to that.
void scrollAway(std::vector<FlexItem>& items, int space) {
  int total = 0, scrollSum = 0;
  for (const auto& item : items) {
    total += item.min_size;
    scrollSum += item.scroll;
  }
  int missing = std::min(total - std::max(space, 0), scrollSum);
  for (auto& item : items) {
    if (missing <= 0 || scrollSum <= 0) return;
    int taken = missing * item.scroll / scrollSum;
    missing -= taken;
    scrollSum -= item.scroll;
    item.min_size -= taken;
  }
}

}  // namespace

void distribute(std::vector<FlexItem>& items, int space) {
  scrollAway(items, space);
  int total = 0, growSum = 0, shrinkWeight = 0, shrinkable = 0;
  for (const auto& item : items) {
    total += item.min_size;
    growSum += item.flex_grow;
    shrinkWeight += item.min_size * item.flex_shrink;
    if (item.flex_shrink > 0) shrinkable += item.min_size;
  }
  int extra = std::max(space, 0) - total;
  if (extra >= 0)
    grow(items, extra, growSum);
  else if (shrinkable + extra >= 0)
    shrinkFlexible(items, -extra, shrinkWeight);
  else
    shrinkAll(items, -(extra + shrinkable), total - shrinkable);
}

}  // namespace zaffo::ui
