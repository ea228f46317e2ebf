#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ui/Box.h"
#include "ui/Screen.h"

namespace zaffo::ui {

// How strongly an element asks a frame to keep it in view.
enum class Selection { Normal = 0, Selected = 1, Focused = 2 };

// Sizes in cells added without overflow: content of any length stops at the largest int.
int addCells(int a, int b);

struct Requirement {
    int min_x = 0;
    int min_y = 0;
    int flex_grow_x = 0;
    int flex_grow_y = 0;
    int flex_shrink_x = 0;
    int flex_shrink_y = 0;
    // Cells of the minimum that a frame inside can give up by scrolling. Where space
    // is short these go first, so a long list scrolls before its neighbours shrink.
    int scroll_x = 0;
    int scroll_y = 0;
    // The box to keep in view, relative to the element's own top-left cell.
    Selection selection = Selection::Normal;
    Box selected_box;
};

// An element of the layout tree. Layout runs in three passes over the tree:
//   1. ComputeRequirement: bottom-up, each node states its minimum size and flex
//      from its children's requirements;
//   2. SetBox: top-down, each node receives its box and hands boxes to children;
//   3. Render: each node draws itself into the cell grid within its box.
// A node's box may lie partly outside the grid; drawing is clipped by the stencil.
class Node {
public:
    Node() = default;
    explicit Node(std::vector<std::shared_ptr<Node>> children);
    virtual ~Node();

    virtual void ComputeRequirement();
    virtual void SetBox(Box box);
    virtual void Render(Screen& screen);

    const Requirement& requirement() const { return requirement_; }
    const Box& box() const { return box_; }

protected:
    std::vector<std::shared_ptr<Node>> children_;
    Requirement requirement_;
    Box box_;
};

using Element = std::shared_ptr<Node>;
using Elements = std::vector<Element>;
using Decorator = std::function<Element(Element)>;

Element operator|(Element element, const Decorator& decorator);
Element& operator|=(Element& element, const Decorator& decorator);
Elements operator|(Elements elements, const Decorator& decorator);
Decorator operator|(Decorator first, Decorator second);

// Lays the element out over the whole grid and renders it.
void Render(Screen& screen, const Element& element);

}  // namespace zaffo::ui
