#include <gtest/gtest.h>

#include "tests/ui/RenderHelper.h"
#include "ui/Components.h"
#include "ui/Elements.h"
#include "ui/ScrollerBase.h"

namespace zaffo::ui {
namespace {

Component listOf(int rows) {
  return Container::Vertical({Renderer([rows] {
    Elements lines;
    for (int i = 0; i < rows; ++i) lines.push_back(text(std::to_string(i)));
    return vbox(std::move(lines));
  })});
}

// A scroller of `rows` rows shown in `height` rows, drawn once so it knows its size.
struct Fixture {
  Fixture(int rows, int height) : scroller(Make<ScrollerBase>(listOf(rows))), screen(3, height) {
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

TEST(Scroller, MeasuresItsChildAndRecordsItsBox) {
  Fixture f(50, 10);
  EXPECT_EQ(f.scroller->size, 50);
  EXPECT_EQ(f.scroller->box, (Box{0, 2, 0, 9}));
  EXPECT_TRUE(f.scroller->Focused());
}

TEST(Scroller, HomeEndAndPageKeysMoveTheMarker) {
  Fixture f(50, 10);
  EXPECT_TRUE(f.scroller->OnEvent(Event::End));
  EXPECT_EQ(f.scroller->selected, 49);
  EXPECT_TRUE(f.scroller->OnEvent(Event::Home));
  EXPECT_EQ(f.scroller->selected, 0);
  EXPECT_TRUE(f.scroller->OnEvent(Event::PageDown));
  EXPECT_EQ(f.scroller->selected, 9);
  EXPECT_TRUE(f.scroller->OnEvent(Event::PageUp));
  EXPECT_EQ(f.scroller->selected, 0);
}

TEST(Scroller, ArrowsAndLettersStepAndStopAtTheEnds) {
  Fixture f(3, 10);
  EXPECT_FALSE(f.scroller->OnEvent(Event::ArrowUp));
  EXPECT_FALSE(f.scroller->OnEvent(Event::Character('k')));
  EXPECT_TRUE(f.scroller->OnEvent(Event::ArrowDown));
  EXPECT_TRUE(f.scroller->OnEvent(Event::Character('j')));
  EXPECT_EQ(f.scroller->selected, 2);
  EXPECT_FALSE(f.scroller->OnEvent(Event::ArrowDown));
  EXPECT_EQ(f.scroller->selected, 2);
  EXPECT_FALSE(f.scroller->OnEvent(Event::Character('x')));
}

TEST(Scroller, AnEmptyChildKeepsTheMarkerAtTheTop) {
  Fixture f(0, 5);
  for (const Event& key : {Event::ArrowDown, Event::End, Event::PageDown, Event::ArrowUp, Event::Home}) {
    EXPECT_FALSE(f.scroller->OnEvent(key));
    EXPECT_EQ(f.scroller->selected, 0);
  }
}

TEST(Scroller, TheViewFollowsTheMarkerWithAnIndicator) {
  Fixture f(8, 4);
  EXPECT_EQ(f.draw(), "0 ┃\n1 ┃\n2  \n3  ");
  f.scroller->OnEvent(Event::End);
  EXPECT_EQ(f.draw(), "4  \n5  \n6 ┃\n7 ┃");
}

TEST(Scroller, TheWheelScrollsOnlyTheViewUnderThePointer) {
  Fixture f(20, 5);
  Mouse wheel{Mouse::WheelDown, Mouse::Pressed, 1, 2};
  EXPECT_TRUE(f.scroller->OnEvent(Event::MouseEvent(wheel)));
  EXPECT_EQ(f.scroller->selected, 1);
  wheel.button = Mouse::WheelUp;
  EXPECT_TRUE(f.scroller->OnEvent(Event::MouseEvent(wheel)));
  EXPECT_EQ(f.scroller->selected, 0);
  Mouse elsewhere{Mouse::WheelDown, Mouse::Pressed, 1, 7};
  EXPECT_FALSE(f.scroller->OnEvent(Event::MouseEvent(elsewhere)));
  EXPECT_EQ(f.scroller->selected, 0);
}

TEST(Scroller, AClickInsideTakesTheFocus) {
  bool checked = false;
  auto other = Checkbox("c", &checked);
  Fixture f(5, 5);
  Component column = Container::Vertical({other, f.scroller});
  EXPECT_FALSE(f.scroller->Focused());
  Render(f.screen, column->Render());
  EXPECT_EQ(f.scroller->box.y_min, 1);
  column->OnEvent(Event::MouseEvent(Mouse{Mouse::Left, Mouse::Pressed, 0, 3}));
  EXPECT_TRUE(f.scroller->Focused());
}

}  // namespace
}  // namespace zaffo::ui
