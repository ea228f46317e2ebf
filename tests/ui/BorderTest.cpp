#include <gtest/gtest.h>

#include <algorithm>

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

Requirement requirementOf(const Element& element) {
  element->ComputeRequirement();
  return element->requirement();
}

TEST(Border, RequiresOneCellOnEverySide) {
  Requirement plain = requirementOf(bordered(text("abc")));
  EXPECT_EQ(plain.min_x, 5);
  EXPECT_EQ(plain.min_y, 3);
  EXPECT_EQ(requirementOf(titled(text("0123456789"), text("abc"))).min_x, 12);
  EXPECT_EQ(requirementOf(titled(text("t"), text("abc"))).min_x, 5);
}

TEST(Border, DrawsEachStyle) {
  EXPECT_EQ(renderToText(bordered(text("abc")), 5, 3), "┌───┐\n│abc│\n└───┘");
  EXPECT_EQ(renderToText(bordered(text("a"), 1), 3, 3), "┏━┓\n┃a┃\n┗━┛");
  EXPECT_EQ(renderToText(bordered(text("a"), 2), 3, 3), "╔═╗\n║a║\n╚═╝");
  EXPECT_EQ(renderToText(bordered(text("a"), 3), 3, 3), "╭─╮\n│a│\n╰─╯");
  EXPECT_EQ(renderToText(bordered(text("a"), 4), 3, 3), "   \n a \n   ");
  // An unknown style draws the light lines rather than reading past the table.
  EXPECT_EQ(renderToText(bordered(text("a"), 9), 3, 3), "┌─┐\n│a│\n└─┘");
}

TEST(Border, TitleSitsInTheTopEdgeAndIsCutBetweenTheCorners) {
  EXPECT_EQ(renderToText(titled(text("Hi"), text("abc")), 6, 3), "┌Hi──┐\n│abc │\n└────┘");
  EXPECT_EQ(renderToText(titled(text("Settings"), text("a")) | size(WIDTH, EQUAL, 6), 6, 3),
            "┌Sett┐\n│a   │\n└────┘");
  EXPECT_EQ(renderToText(titled(text("世界"), text("a")) | size(WIDTH, EQUAL, 5), 5, 3),
            "┌世─┐\n│a  │\n└───┘");
}

TEST(Border, ABoxOfWidthOrHeightOneDrawsOnlyTheContent) {
  EXPECT_EQ(renderToText(hbox({titled(text("T"), text("xy")) | size(WIDTH, EQUAL, 1), text("|")}),
                         3, 3),
            " | \n   \n   ");
  EXPECT_EQ(renderToText(vbox({bordered(text("xy")) | size(HEIGHT, EQUAL, 1), text("|")}), 4, 2),
            "    \n|   ");
}

TEST(Border, GrowsWithItsContentAndStretchesToTheBox) {
  EXPECT_EQ(renderToText(bordered(text("a") | flex), 4, 4),
            "┌──┐\n│a │\n│  │\n└──┘");
}

TEST(Border, KeepsTheFocusedRowOfItsContentInView) {
  Elements rows;
  for (int i = 0; i < 6; ++i) rows.push_back(i == 5 ? text(std::to_string(i)) | focus
                                                     : text(std::to_string(i)));
  Element framed = bordered(vbox(std::move(rows))) | yframe;
  EXPECT_EQ(renderToText(framed, 3, 3), "│4│\n│5│\n└─┘");
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

TEST(Border, WithoutChildrenDrawsAnEmptyFrame) {
  EXPECT_EQ(renderToText(std::make_shared<custom_Border>(Elements{}, 0), 2, 2), "┌┐\n└┘");
}

}  // namespace
}  // namespace zaffo::ui
