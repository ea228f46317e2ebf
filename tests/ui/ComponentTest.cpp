#include <gtest/gtest.h>

#include "tests/ui/RenderHelper.h"
#include "ui/Components.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

using testing::renderToText;

// A focusable leaf that records the events it is offered and consumes the letter "x".
class Probe : public ComponentBase {
 public:
  explicit Probe(std::string name) : name_(std::move(name)) {}
  Element Render() override { return text(Focused() ? "[" + name_ + "]" : name_); }
  bool Focusable() const override { return true; }
  bool OnEvent(Event event) override {
    seen.push_back(event);
    return event == Event::Character('x');
  }
  std::vector<Event> seen;

 private:
  std::string name_;
};

Mouse leftPress(int x, int y) { return Mouse{Mouse::Left, Mouse::Pressed, x, y}; }

TEST(Focus, FollowsTheActiveChildrenFromTheRoot) {
  auto a = Make<Probe>("a"), b = Make<Probe>("b"), c = Make<Probe>("c");
  Component inner = Container::Vertical({b, c});
  Component root = Container::Horizontal({a, inner});
  EXPECT_TRUE(a->Focused());
  EXPECT_FALSE(b->Focused());
  c->TakeFocus();
  EXPECT_TRUE(c->Focused());
  EXPECT_FALSE(a->Focused());
  EXPECT_FALSE(b->Active());
  EXPECT_EQ(root->ActiveChild(), inner);
  EXPECT_EQ(renderToText(root->Render(), 4, 2), "ab  \n [c]");
}

TEST(Focus, ArrowKeysMoveAlongTheContainerAndStopAtTheEnds) {
  auto a = Make<Probe>("a"), b = Make<Probe>("b");
  Component spacer = Renderer([] { return text("-"); });
  auto c = Make<Probe>("c");
  Component column = Container::Vertical({a, spacer, b, c});
  EXPECT_FALSE(column->OnEvent(Event::ArrowUp));
  EXPECT_TRUE(column->OnEvent(Event::ArrowDown));
  EXPECT_TRUE(b->Focused()) << "the spacer cannot take focus and is skipped";
  EXPECT_TRUE(column->OnEvent(Event::ArrowDown));
  EXPECT_FALSE(column->OnEvent(Event::ArrowDown));
  EXPECT_TRUE(c->Focused());
  EXPECT_FALSE(column->OnEvent(Event::ArrowLeft)) << "the other axis is left to the parent";
}

TEST(Focus, TabWrapsAroundInsideAContainer) {
  auto a = Make<Probe>("a"), b = Make<Probe>("b");
  Component row = Container::Horizontal({a, b});
  EXPECT_TRUE(row->OnEvent(Event::Tab));
  EXPECT_TRUE(b->Focused());
  EXPECT_TRUE(row->OnEvent(Event::Tab));
  EXPECT_TRUE(a->Focused());
  EXPECT_TRUE(row->OnEvent(Event::TabReverse));
  EXPECT_TRUE(b->Focused());
}

TEST(Focus, AnOuterContainerMovesWhenTheInnerOneCannot) {
  auto a = Make<Probe>("a"), b = Make<Probe>("b"), c = Make<Probe>("c");
  Component root = Container::Horizontal({Container::Vertical({a, b}), c});
  EXPECT_TRUE(root->OnEvent(Event::ArrowDown));
  EXPECT_TRUE(b->Focused());
  EXPECT_TRUE(root->OnEvent(Event::ArrowRight));
  EXPECT_TRUE(c->Focused());
  EXPECT_TRUE(root->OnEvent(Event::ArrowLeft));
  EXPECT_TRUE(b->Focused()) << "the inner container remembers its choice";
}

TEST(Focus, AnExternalSelectorIsReadAndWritten) {
  int selected = 1;
  auto a = Make<Probe>("a"), b = Make<Probe>("b");
  Component column = Container::Vertical({a, b}, &selected);
  EXPECT_TRUE(b->Focused());
  EXPECT_TRUE(column->OnEvent(Event::ArrowUp));
  EXPECT_EQ(selected, 0);
  selected = 1;
  EXPECT_TRUE(b->Focused());
  selected = 7;  // out of range reads as the last child
  EXPECT_TRUE(b->Focused());
}

TEST(Events, GoOnlyToTheActiveChildButMouseGoesToAll) {
  auto a = Make<Probe>("a"), b = Make<Probe>("b");
  Component row = Container::Horizontal({a, b});
  row->OnEvent(Event::Character('q'));
  EXPECT_EQ(a->seen.size(), 1u);
  EXPECT_TRUE(b->seen.empty());
  row->OnEvent(Event::MouseEvent(leftPress(0, 0)));
  EXPECT_EQ(a->seen.size(), 2u);
  EXPECT_EQ(b->seen.size(), 1u);
}

TEST(CatchEvent, ConsumesWhatItHandlesAndPassesTheRest) {
  auto probe = Make<Probe>("p");
  int caught = 0;
  Component wrapped = CatchEvent(probe, [&](Event event) {
    if (event != Event::Tab) return false;
    ++caught;
    return true;
  });
  EXPECT_TRUE(wrapped->OnEvent(Event::Tab));
  EXPECT_EQ(caught, 1);
  EXPECT_TRUE(probe->seen.empty());
  EXPECT_TRUE(wrapped->OnEvent(Event::Character('x')));
  EXPECT_FALSE(wrapped->OnEvent(Event::Character('y')));
  EXPECT_EQ(probe->seen.size(), 2u);
  EXPECT_TRUE(wrapped->Focusable());
  EXPECT_EQ(renderToText(wrapped->Render(), 3, 1), "[p]");
}

TEST(Renderer, DrawsItsOwnElementAndLendsFocusToTheChild) {
  auto probe = Make<Probe>("p");
  Component framed = Renderer(probe, [&] { return hbox({text("<"), probe->Render(), text(">")}); });
  EXPECT_EQ(renderToText(framed->Render(), 5, 1), "<[p]>");
  EXPECT_TRUE(framed->OnEvent(Event::Character('x')));
  EXPECT_FALSE(Renderer([] { return text(""); })->Focusable());
}

TEST(Checkbox, TogglesWithSpaceReturnAndClickAndReports) {
  bool checked = false;
  int changes = 0;
  CheckboxOption option;
  option.on_change = [&] { ++changes; };
  Component box = Checkbox("Play", &checked, option);
  EXPECT_EQ(renderToText(box->Render(), 6, 1), "☐ Play");
  EXPECT_TRUE(box->OnEvent(Event::Character(' ')));
  EXPECT_TRUE(checked);
  EXPECT_EQ(renderToText(box->Render(), 6, 1), "▣ Play");
  EXPECT_TRUE(box->OnEvent(Event::Return));
  EXPECT_FALSE(checked);
  EXPECT_FALSE(box->OnEvent(Event::Character('p')));
  EXPECT_EQ(changes, 2);

  Screen screen(6, 1);
  Render(screen, box->Render());  // records where the box is
  EXPECT_FALSE(box->OnEvent(Event::MouseEvent(leftPress(5, 3))));
  EXPECT_TRUE(box->OnEvent(Event::MouseEvent(leftPress(3, 0))));
  EXPECT_TRUE(checked);
  EXPECT_EQ(changes, 3);
}

TEST(Checkbox, ShowsFocusInverted) {
  bool checked = true;
  Component box = Checkbox("B", &checked);
  Screen screen(3, 1);
  Render(screen, box->Render());
  EXPECT_TRUE(screen.at(2, 0).inverted);
}

TEST(Slider, ArrowsMoveTheValueWithinItsBounds) {
  int bpm = 120;
  Component slider = Slider("BPM ", &bpm, 20, 240, 10);
  EXPECT_TRUE(slider->OnEvent(Event::ArrowRight));
  EXPECT_EQ(bpm, 130);
  EXPECT_TRUE(slider->OnEvent(Event::ArrowLeft));
  EXPECT_EQ(bpm, 120);
  bpm = 235;
  slider->OnEvent(Event::ArrowRight);
  EXPECT_EQ(bpm, 240);
  slider->OnEvent(Event::ArrowRight);
  EXPECT_EQ(bpm, 240);
  EXPECT_FALSE(slider->OnEvent(Event::ArrowUp)) << "up and down belong to the container";
  bpm = 25;
  slider->OnEvent(Event::ArrowLeft);
  EXPECT_EQ(bpm, 20);
}

TEST(Slider, FloatAndAtomicValuesStep) {
  float volume = 0.5f;
  Component slider = Slider("Volume", &volume, 0.0f, 1.0f, 0.05f);
  slider->OnEvent(Event::ArrowRight);
  EXPECT_FLOAT_EQ(volume, 0.55f);
  for (int i = 0; i < 30; ++i) slider->OnEvent(Event::ArrowLeft);
  EXPECT_FLOAT_EQ(volume, 0.0f);

  std::atomic<int> shared{5};
  Component atomicSlider = Slider("n", &shared, 0, 10, 3);
  atomicSlider->OnEvent(Event::ArrowRight);
  atomicSlider->OnEvent(Event::ArrowRight);
  EXPECT_EQ(shared.load(), 10);
}

TEST(Slider, GaugeShowsTheValueAndTheMouseSetsIt) {
  int value = 5;
  Component slider = Slider("v", &value, 0, 10, 1);
  // "v" + "[" + 10-cell gauge + "]"
  Screen screen(13, 1);
  Render(screen, slider->Render());
  EXPECT_EQ(screen.toString(), "v[█████     ]");
  Mouse press = leftPress(11, 0);
  EXPECT_TRUE(slider->OnEvent(Event::MouseEvent(press)));
  EXPECT_EQ(value, 10);
  Mouse drag{Mouse::Left, Mouse::Moved, 2, 0};
  EXPECT_TRUE(slider->OnEvent(Event::MouseEvent(drag)));
  EXPECT_EQ(value, 0);
  Mouse release{Mouse::Left, Mouse::Released, 2, 0};
  EXPECT_TRUE(slider->OnEvent(Event::MouseEvent(release)));
  EXPECT_FALSE(slider->OnEvent(Event::MouseEvent(drag))) << "the drag ended with the release";
  EXPECT_FALSE(slider->OnEvent(Event::MouseEvent(leftPress(0, 0)))) << "the label is not the gauge";
}

TEST(MouseCapture, OnlyOneComponentHoldsTheMouse) {
  auto capture = std::make_shared<MouseCapture>();
  int a = 0, b = 0;
  Component first = Slider("", &a, 0, 4, 1);
  Component second = Slider("", &b, 0, 4, 1);
  Component column = Container::Vertical({first, second});
  Screen screen(7, 2);
  Render(screen, column->Render());
  EXPECT_TRUE(column->OnEvent(Event::MouseEvent(leftPress(5, 0), capture)));
  EXPECT_EQ(a, 4);
  // While the first slider drags, a press over the second one still goes to the first.
  EXPECT_TRUE(column->OnEvent(Event::MouseEvent(Mouse{Mouse::Left, Mouse::Moved, 1, 1}, capture)));
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  EXPECT_FALSE(capture->take() != nullptr);
  column->OnEvent(Event::MouseEvent(Mouse{Mouse::Left, Mouse::Released, 1, 1}, capture));
  EXPECT_TRUE(capture->take() != nullptr);
}

TEST(Component, DetachingAChildClearsItsParent) {
  auto a = Make<Probe>("a");
  Component row = Container::Horizontal({a});
  EXPECT_EQ(a->Parent(), row.get());
  a->Detach();
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(row->ChildCount(), 0u);
  EXPECT_FALSE(row->Focusable());
}

}  // namespace
}  // namespace zaffo::ui
