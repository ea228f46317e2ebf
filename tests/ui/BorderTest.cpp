#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "tests/ui/RenderHelper.h"
#include "ui/custom_Border.h"

namespace zaffo::ui {
namespace {

using testing::renderToText;

Element bordered(Element content, int style = 0) {
  return std::make_shared<custom_Border>(Elements{std::move(content)}, style);
}

Element titled(Element title, Element content) {
  return std::make_shared<custom_Border>(Elements{std::move(content), std::move(title)}, 0);
}

int minWidth(const Element& element) {
  element->ComputeRequirement();
  return element->requirement().min_x;
}

Element focusedRowOf(int rows, int focused) {
  Elements lines;
  for (int i = 0; i < rows; ++i) lines.push_back(text(std::to_string(i)) | (i == focused ? focus : nothing));
  return vbox(std::move(lines));
}

TEST(Border, RequiresOneCellOnEverySideAndRoomForTheTitle) {
  Element plain = bordered(text("abc"));
  EXPECT_EQ(minWidth(plain), 5);
  EXPECT_EQ(plain->requirement().min_y, 3);
  EXPECT_EQ(minWidth(titled(text("0123456789"), text("abc"))), 12);
  EXPECT_EQ(minWidth(titled(text("t"), text("abc"))), 5);
}

TEST(Border, Draws) {
  const std::tuple<Element, int, int, const char*> cases[] = {  // element, width, height, drawn
      {bordered(text("abc")), 5, 3, "┌───┐\n│abc│\n└───┘"},
      {bordered(text("a"), 1), 3, 3, "┏━┓\n┃a┃\n┗━┛"},
      {bordered(text("a"), 2), 3, 3, "╔═╗\n║a║\n╚═╝"},
      {bordered(text("a"), 3), 3, 3, "╭─╮\n│a│\n╰─╯"},
      {bordered(text("a"), 4), 3, 3, "   \n a \n   "},
      {bordered(text("a"), 9), 3, 3, "┌─┐\n│a│\n└─┘"},  // an unknown style draws light lines
      {std::make_shared<custom_Border>(Elements{}, 0), 2, 2, "┌┐\n└┘"},
      {bordered(text("a") | flex), 4, 4, "┌──┐\n│a │\n│  │\n└──┘"},
      // The title sits in the top edge, cut between the corners.
      {titled(text("Hi"), text("abc")), 6, 3, "┌Hi──┐\n│abc │\n└────┘"},
      {titled(text("Settings"), text("a")) | size(WIDTH, EQUAL, 6), 6, 3, "┌Sett┐\n│a   │\n└────┘"},
      {titled(text("世界"), text("a")) | size(WIDTH, EQUAL, 5), 5, 3, "┌世─┐\n│a  │\n└───┘"},
      // A box one cell wide or high draws only its content.
      {hbox({titled(text("T"), text("xy")) | size(WIDTH, EQUAL, 1), text("|")}), 3, 3, " | \n   \n   "},
      {vbox({bordered(text("xy")) | size(HEIGHT, EQUAL, 1), text("|")}), 4, 2, "    \n|   "},
      // The focused row of the content stays in view.
      {bordered(focusedRowOf(6, 5)) | yframe, 3, 3, "│4│\n│5│\n└─┘"},
  };
  for (const auto& [element, width, height, drawn] : cases) EXPECT_EQ(renderToText(element, width, height), drawn);
}

TEST(Border, ATreeOfEveryKindFitsIntoAnySizeEvenNone) {
  auto tree = [] {
    Elements rows;
    for (int i = 0; i < 6; ++i) rows.push_back(text(L"世" + std::to_wstring(i)) | (i == 4 ? focus : nothing));
    return hbox({titled(text("Title"), vbox(std::move(rows)) | vscroll_indicator | yframe | flex),
                 bordered(gauge(0.7f) | bold, 2) | size(WIDTH, GREATER_THAN, 4), hcenter(text("x"))});
  };
  for (int width = 0; width <= 12; ++width)
    for (int height = 0; height <= 5; ++height) {
      std::string drawn = renderToText(tree(), width, height);
      EXPECT_EQ(std::count(drawn.begin(), drawn.end(), '\n'), std::max(height - 1, 0));
    }
  EXPECT_EQ(renderToText(tree(), 12, 4), "┌Title┐╔══╗x\n│世4  │║█▍║ \n│世5 ╻│║  ║ \n└─────┘╚══╝ ");
}

}  // namespace
}  // namespace zaffo::ui
