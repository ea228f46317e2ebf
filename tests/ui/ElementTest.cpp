#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/RenderHelper.h"
#include "ui/Elements.h"
#include "ui/Utf8.h"

namespace zaffo::ui {
namespace {

using testing::renderToText;

TEST(Text, IsCutAtTheBoxAndPaddedWithBlanks) {
  EXPECT_EQ(renderToText(text("hello"), 3, 1), "hel");
  EXPECT_EQ(renderToText(text("hi"), 4, 2), "hi  \n    ");
}

TEST(Text, WideCharactersTakeTwoCells) {
  Element wide = text(L"a世b");
  wide->ComputeRequirement();
  EXPECT_EQ(wide->requirement().min_x, 4);
  EXPECT_EQ(renderToText(wide, 5, 1), "a世b ");
  // A wide character that does not fit whole is left out.
  EXPECT_EQ(renderToText(text("a世"), 2, 1), "a ");
}

TEST(Text, CombiningMarksJoinTheirBaseCell) {
  Element accented = text("e\xCC\x81x");  // e + combining acute, x
  accented->ComputeRequirement();
  EXPECT_EQ(accented->requirement().min_x, 2);
  EXPECT_EQ(renderToText(accented, 2, 1), "e\xCC\x81x");
}

TEST(Text, ControlCharactersAndInvalidBytesStayInTheirCell) {
  EXPECT_EQ(renderToText(text("a\tb"), 3, 1), "a b");
  EXPECT_EQ(renderToText(text("a\xFF"), 2, 1), "a\xEF\xBF\xBD");
}

TEST(Screen, OverwritingHalfOfAWideCharacterLeavesABlank) {
  Screen screen(3, 1);
  Render(screen, text("世x"));
  screen.at(1, 0).glyph = "y";
  EXPECT_EQ(screen.toString(), " yx");
  Render(screen, text("世x"));
  screen.at(0, 0).glyph = "z";
  EXPECT_EQ(screen.toString(), "z x");
}

struct FlexCase {
  int width;
  std::string expected;
};

TEST(HBox, FixedAndFlexibleChildrenShareTheWidth) {
  auto row = [] {
    return hbox({text("ab"), text("cd") | flex, text("ef") | size(WIDTH, EQUAL, 3), text("gh")});
  };
  for (const FlexCase& c : std::vector<FlexCase>{
           {9, "abcdef gh"},     // exact fit
           {12, "abcd   ef gh"},  // the flexible child takes the extra space
           {7, "abef gh"},       // the flexible child shrinks first
           {5, "abefg"},         // then the others lose width in proportion
       }) {
    EXPECT_EQ(renderToText(row(), c.width, 1), c.expected) << "width " << c.width;
  }
}

TEST(HBox, ExtraSpaceIsSplitByGrowFactorWithoutLosingCells) {
  Element row = hbox({text("a") | flex, text("b") | flex, text("c") | flex});
  EXPECT_EQ(renderToText(row, 10, 1), "a  b  c   ");
}

TEST(VBox, NestedBoxesAndSizes) {
  Element layout = vbox({
      hbox({text("x"), text("yy") | size(WIDTH, EQUAL, 1), text("z")}),
      text("tall") | size(HEIGHT, EQUAL, 2),
      filler(),
      text("end"),
  });
  EXPECT_EQ(renderToText(layout, 4, 6), "xyz \ntall\n    \n    \n    \nend ");
}

TEST(VBox, RigidChildrenAreCutWhenTheBoxIsTooSmall) {
  Element column = vbox({text("1"), text("2"), text("3") | yflex, text("4")});
  EXPECT_EQ(renderToText(column, 1, 3), "1\n2\n4");
  EXPECT_EQ(renderToText(vbox({text("1"), text("2"), text("3")}), 1, 2), "1\n2");
}

TEST(DBox, LaterChildrenDrawOverEarlierOnes) {
  EXPECT_EQ(renderToText(dbox({text("abcd"), text("xy")}), 4, 1), "xycd");
}

TEST(Size, BoundsTheWidthAndHeight) {
  EXPECT_EQ(renderToText(hbox({text("abcdef") | size(WIDTH, LESS_THAN, 3), text("|")}), 6, 1),
            "abc|  ");
  EXPECT_EQ(renderToText(hbox({text("ab") | size(WIDTH, GREATER_THAN, 4), text("|")}), 6, 1),
            "ab  | ");
}

TEST(Center, PlacesTheChildInTheMiddle) {
  EXPECT_EQ(renderToText(hcenter(text("ab")), 6, 1), "  ab  ");
  EXPECT_EQ(renderToText(vcenter(text("a")), 1, 3), " \na\n ");
}

TEST(Style, AppliesToEveryCellOfTheBox) {
  Screen screen(4, 1);
  Render(screen, hbox({text("ab") | bold | inverted | color(Color::Red) | bgcolor(Color::GrayDark),
                       text("cd") | dim | underlined}));
  const Cell& a = screen.at(1, 0);
  EXPECT_TRUE(a.bold && a.inverted && !a.dim);
  EXPECT_EQ(a.foreground, Color::Red);
  EXPECT_EQ(a.background, Color::GrayDark);
  const Cell& c = screen.at(3, 0);
  EXPECT_TRUE(c.dim && c.underlined && !c.bold);
  EXPECT_EQ(c.background, Color::Default);
}

Element numberedRows(int count, int marked, Decorator marker) {
  Elements rows;
  for (int i = 0; i < count; ++i) {
    Element row = text(std::to_string(i));
    rows.push_back(i == marked ? row | marker : row);
  }
  return vbox(std::move(rows));
}

TEST(Frame, KeepsTheSelectedRowInView) {
  EXPECT_EQ(renderToText(numberedRows(10, 0, select) | yframe, 1, 3), "0\n1\n2");
  EXPECT_EQ(renderToText(numberedRows(10, 5, select) | yframe, 1, 3), "4\n5\n6");
  EXPECT_EQ(renderToText(numberedRows(10, 9, select) | yframe, 1, 3), "7\n8\n9");
  EXPECT_EQ(renderToText(numberedRows(10, -1, select) | yframe, 1, 3), "0\n1\n2");
}

TEST(Frame, FocusWinsOverSelect) {
  Element rows = vbox({text("a") | select, text("b"), text("c"), text("d") | focus, text("e")});
  EXPECT_EQ(renderToText(rows | yframe, 1, 2), "d\ne");
}

TEST(Frame, ClipsTheContentToItsBox) {
  Element framed = vbox({numberedRows(10, 7, focus) | yframe | size(HEIGHT, EQUAL, 2), text("x")});
  EXPECT_EQ(renderToText(framed, 1, 4), "7\n8\nx\n ");
}

TEST(Frame, GivesUpRowsBeforeItsNeighboursShrink) {
  Element column = vbox({vbox({text("p"), text("q")}) | yflex, numberedRows(9, 0, select) | yframe | yflex});
  EXPECT_EQ(renderToText(column, 1, 4), "p\nq\n0\n1");
  // A frame with a lower bound gives up rows only down to that bound.
  Element bordered = vbox({text("p"), text("q") | size(HEIGHT, GREATER_THAN, 2) | yflex,
                           numberedRows(9, 8, select) | yframe | size(HEIGHT, GREATER_THAN, 2)});
  EXPECT_EQ(renderToText(bordered, 1, 5), "p\nq\n \n7\n8");
}

TEST(Frame, ScrollsHorizontallyToTheFocus) {
  Element line = hbox({text("abcdef"), text("g") | focus, text("hij")});
  EXPECT_EQ(renderToText(line | frame, 3, 1), "fgh");
  // Without horizontal scrolling the rigid parts share the cut.
  EXPECT_EQ(renderToText(line | yframe, 3, 1), "abg");
}

TEST(Reflect, RecordsTheVisiblePartOfTheBox) {
  Box box;
  renderToText(hbox({text("ab"), text("cde") | reflect(box)}), 4, 2);
  EXPECT_EQ(box, (Box{2, 3, 0, 1}));
}

TEST(VScrollIndicator, ShowsWhereTheViewLies) {
  auto view = [](int marked) {
    return numberedRows(8, marked, focus) | vscroll_indicator | yframe;
  };
  EXPECT_EQ(renderToText(view(0), 2, 4), "0┃\n1┃\n2 \n3 ");
  EXPECT_EQ(renderToText(view(7), 2, 4), "4 \n5 \n6┃\n7┃");
  EXPECT_EQ(renderToText(numberedRows(2, 0, focus) | vscroll_indicator | yframe, 2, 4),
            "0 \n1 \n  \n  ");
  // At the end of a long list the bar reaches the bottom row.
  EXPECT_EQ(renderToText(numberedRows(30, 29, focus) | vscroll_indicator | yframe, 3, 4),
            "26 \n27 \n28 \n29╻");
}

TEST(Gauge, FillsItsShareOfTheWidth) {
  EXPECT_EQ(renderToText(gauge(0.5f), 4, 1), "██  ");
  EXPECT_EQ(renderToText(gauge(0.25f), 2, 1), "▌ ");
  EXPECT_EQ(renderToText(gauge(2.0f), 2, 1), "██");
}

TEST(Utf8, ConvertsBothWays) {
  EXPECT_EQ(toWide("a€"), L"a€");
  EXPECT_EQ(toUtf8(std::wstring(L"a€")), "a€");
  EXPECT_EQ(textWidth("世界!"), 5);
}

TEST(Utf8Reader, TypedBytesBecomeCharactersAndEachBrokenSequenceOneReplacement) {
  struct Case {
    std::vector<std::string> reads;  // bytes as they arrive, one read each
    std::u32string typed;
  };
  const Case cases[] = {
      {{"u\xFF" "AB"}, U"u\uFFFDAB"},
      {{"\xE2\x82" "AB"}, U"\uFFFDAB"},          // cut short by a letter
      {{"\xE0\x80\x80x"}, U"\uFFFDx"},            // overlong, one mark for the sequence
      {{"\xE2", "\x82", "\xAC!"}, U"€!"},          // split over three reads
      {{"\xF0\x9F\xA5", "\x81"}, U"\U0001F941"},
      {{"\xFF\xFE"}, U"\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) {
    Utf8Reader reader;
    std::u32string typed;
    for (const std::string& bytes : c.reads) typed += reader.push(bytes);
    EXPECT_EQ(typed, c.typed) << c.reads.front();
  }
  // A sequence that a key interrupts will not be completed.
  Utf8Reader reader;
  EXPECT_EQ(reader.push("a\xE2\x82"), U"a");
  EXPECT_EQ(reader.flush(), U"\uFFFD");
  EXPECT_EQ(reader.push("b"), U"b");
}

TEST(HBox, SizesBeyondAnyTerminalNeitherOverflowNorPushNeighboursOut) {
  // Text as wide as a name read from a file: the flexible pane beside it keeps its place,
  // whatever the products of the sizes would be in an int.
  for (int wide : {99'858, 100'012}) {
    Element row = hbox({text(std::string(static_cast<size_t>(wide), 'n')) | xflex, text("end")});
    EXPECT_EQ(renderToText(row, 12, 1), "nnnnnnnnnend") << wide;
  }
  Element stacked = vbox({text(std::string(100'012, 'n')), text(std::string(99'858, 'm'))}) | xflex;
  EXPECT_EQ(renderToText(hbox({stacked, text("|")}), 6, 2), "nnnnn|\nmmmmm ");
}

}  // namespace
}  // namespace zaffo::ui
