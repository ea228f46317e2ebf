#include "ui/custom_Border.h"

#include <algorithm>

#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

const std::vector<std::vector<std::string>>& borderStyles() {
    static const std::vector<std::vector<std::string>> styles = {
        {"┌", "┐", "└", "┘", "─", "│"}, {"┏", "┓", "┗", "┛", "━", "┃"}, {"╔", "╗", "╚", "╝", "═", "║"},
        {"╭", "╮", "╰", "╯", "─", "│"}, {" ", " ", " ", " ", " ", " "},
    };
    return styles;
}

}  // namespace

custom_Border::custom_Border(Elements children, int style) : Node(std::move(children)) {
    // Without content there is still a frame to draw, around nothing.
    if (children_.empty()) children_.push_back(text(""));
    const auto& styles = borderStyles();
    bool known = style >= 0 && style < static_cast<int>(styles.size());
    charset = styles[known ? style : 0];
}

void custom_Border::ComputeRequirement() {
    Node::ComputeRequirement();
    requirement_ = children_[0]->requirement();
    requirement_.min_x = addCells(requirement_.min_x, 2);
    requirement_.min_y = addCells(requirement_.min_y, 2);
    if (hasTitle()) requirement_.min_x = std::max(requirement_.min_x, addCells(children_[1]->requirement().min_x, 2));
    requirement_.selected_box.x_min += 1;
    requirement_.selected_box.x_max += 1;
    requirement_.selected_box.y_min += 1;
    requirement_.selected_box.y_max += 1;
}

void custom_Border::SetBox(Box box) {
    Node::SetBox(box);
    if (hasTitle()) children_[1]->SetBox(Box{box.x_min + 1, box.x_max - 1, box.y_min, box.y_min});
    children_[0]->SetBox(Box{box.x_min + 1, box.x_max - 1, box.y_min + 1, box.y_max - 1});
}

void custom_Border::Render(Screen& screen) {
    children_[0]->Render(screen);
    if (box_.x_min >= box_.x_max || box_.y_min >= box_.y_max) return;
    drawFrame(screen);
    if (hasTitle()) children_[1]->Render(screen);
}

void custom_Border::drawFrame(Screen& screen) const {
    screen.at(box_.x_min, box_.y_min).glyph = charset[0];
    screen.at(box_.x_max, box_.y_min).glyph = charset[1];
    screen.at(box_.x_min, box_.y_max).glyph = charset[2];
    screen.at(box_.x_max, box_.y_max).glyph = charset[3];
    for (int x = box_.x_min + 1; x < box_.x_max; ++x) {
        screen.at(x, box_.y_min).glyph = charset[4];
        screen.at(x, box_.y_max).glyph = charset[4];
    }
    for (int y = box_.y_min + 1; y < box_.y_max; ++y) {
        screen.at(box_.x_min, y).glyph = charset[5];
        screen.at(box_.x_max, y).glyph = charset[5];
    }
}

}  // namespace zaffo::ui
