#include <gtest/gtest.h>

#include <tuple>

#include "tests/ui/RenderHelper.h"
#include "ui/Components.h"
#include "ui/Elements.h"
#include "ui/ScrollerBase.h"

namespace zaffo::ui {
namespace {

// A scroller over `rows` numbered rows, drawn once into `height` rows so that it knows its size.
struct Fixture {
  Fixture(int rows, int height) : screen(3, height) {
    scroller = Make<ScrollerBase>(Container::Vertical({Renderer([rows] {
      Elements lines;
      for (int i = 0; i < rows; ++i) lines.push_back(text(std::to_string(i)));
      return vbox(std::move(lines));
    })}));
    draw();
  }
  std::string draw() {
    screen.clear();
    Render(screen, scroller->Render());
    return screen.toString();
  }
  std::shared_ptr<ScrollerBase> scroller;
  Screen screen;
};

Event wheel(Mouse::Button button, int y) { return Event::MouseEvent(Mouse{button, Mouse::Pressed, 1, y}); }

TEST(Scroller, KeysAndTheWheelMoveTheMarkerWithinTheRows) {
  const std::tuple<int, int, std::vector<Event>, const char*, int> cases[] = {  // rows, height, keys, moved, marker
      {50, 10, {Event::End}, "1", 49},
      {50, 10, {Event::End, Event::Home}, "11", 0},
      {50, 10, {Event::PageDown}, "1", 9},
      {50, 10, {Event::PageDown, Event::PageUp}, "11", 0},
      {3, 10, {Event::ArrowUp, Event::Character('k'), Event::Character('x')}, "000", 0},
      {3, 10, {Event::ArrowDown, Event::Character('j'), Event::ArrowDown}, "110", 2},
      {3, 10, {Event::ArrowDown, Event::Character('k')}, "11", 0},
      {0, 5, {Event::ArrowDown, Event::End, Event::PageDown, Event::ArrowUp, Event::Home}, "00000", 0},
      // The wheel scrolls only the view under the pointer.
      {20, 5, {wheel(Mouse::WheelDown, 2)}, "1", 1},
      {20, 5, {wheel(Mouse::WheelDown, 2), wheel(Mouse::WheelUp, 2)}, "11", 0},
      {20, 5, {wheel(Mouse::WheelDown, 7)}, "0", 0},
  };
  for (const auto& [rows, height, keys, expected, selected] : cases) {
    Fixture f(rows, height);
    std::string moved;
    for (const Event& key : keys) moved += f.scroller->OnEvent(key) ? '1' : '0';
    EXPECT_EQ(moved, expected) << rows << " rows, " << selected;
    EXPECT_EQ(f.scroller->selected, selected) << rows << " rows, " << expected;
  }
}

TEST(Scroller, MeasuresItsChildAndTheViewFollowsTheMarker) {
  Fixture f(8, 4);
  EXPECT_EQ(f.scroller->size, 8);
  EXPECT_EQ(f.scroller->box, (Box{0, 2, 0, 3}));
  EXPECT_TRUE(f.scroller->Focused());
  EXPECT_EQ(f.draw(), "0 ┃\n1 ┃\n2  \n3  ");
  f.scroller->OnEvent(Event::End);
  EXPECT_EQ(f.draw(), "4  \n5  \n6 ┃\n7 ┃");
}

TEST(Scroller, AClickInsideTakesTheFocus) {
  bool checked = false;
  Fixture f(5, 5);
  Component column = Container::Vertical({Checkbox("c", &checked), f.scroller});
  EXPECT_FALSE(f.scroller->Focused());
  Render(f.screen, column->Render());
  EXPECT_EQ(f.scroller->box.y_min, 1);
  column->OnEvent(Event::MouseEvent(Mouse{Mouse::Left, Mouse::Pressed, 0, 3}));
  EXPECT_TRUE(f.scroller->Focused());
}

}  // namespace
}  // namespace zaffo::ui
