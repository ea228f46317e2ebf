#include <gtest/gtest.h>

#include <tuple>

#include "tests/ui/RenderHelper.h"
#include "ui/Components.h"
#include "ui/Elements.h"

namespace zaffo::ui {
namespace {

using testing::renderToText;

// A focusable leaf that records the events it is offered and consumes the letter "x".
class Probe : public ComponentBase {
 public:
  explicit Probe(std::string name) : name(std::move(name)) {}
  Element Render() override { return text(Focused() ? "[" + name + "]" : name); }
  bool Focusable() const override { return true; }
  bool OnEvent(Event event) override {
    seen.push_back(event);
    return event == Event::Character('x');
  }
  std::string name;
  std::vector<Event> seen;
};

Mouse leftPress(int x, int y) { return Mouse{Mouse::Left, Mouse::Pressed, x, y}; }

// Whether each event was consumed, as "1" or "0" per event.
std::string offer(const Component& component, const std::vector<Event>& events) {
  std::string consumed;
  for (const Event& event : events) consumed += component->OnEvent(event) ? '1' : '0';
  return consumed;
}

TEST(Focus, MovesAlongTheContainersAndWrapsWithTab) {
  const Event right = Event::ArrowRight, left = Event::ArrowLeft, up = Event::ArrowUp, down = Event::ArrowDown;
  const Event tab = Event::Tab, back = Event::TabReverse;
  const std::tuple<std::vector<Event>, const char*, const char*> cases[] = {  // keys, consumed, focused
      {{}, "", "a"},
      {{left}, "0", "a"},
      {{right}, "1", "b"},
      {{right, down}, "11", "c"},  // the spacer cannot take focus
      {{right, down, down}, "110", "c"},
      {{right, up}, "10", "b"},
      {{right, left}, "11", "a"},                 // the inner column leaves the other axis to the row
      {{right, down, left, right}, "1111", "c"},  // and remembers its choice
      {{right, right, right}, "110", "d"},
      {{tab}, "1", "b"},
      {{tab, tab, tab}, "111", "b"},  // Tab wraps inside the innermost container
      {{back}, "1", "d"},
      {{right, right, tab}, "111", "a"},
      {{Event::Character('x'), Event::Character('q')}, "10", "a"},
  };
  for (const auto& [keys, consumed, expected] : cases) {
    std::vector<std::shared_ptr<Probe>> probes = {Make<Probe>("a"), Make<Probe>("b"), Make<Probe>("c"),
                                                  Make<Probe>("d")};
    Component spacer = Renderer([] { return text("-"); });
    Component root = Container::Horizontal(
        {probes[0], Container::Vertical({probes[1], spacer, probes[2]}), probes[3]});
    EXPECT_EQ(offer(root, keys), consumed) << expected;
    std::string focused;
    for (const auto& probe : probes)
      if (probe->Focused()) focused += probe->name;
    EXPECT_EQ(focused, expected) << consumed;
    if (keys.size() == 2 && keys[1] == down) {
      EXPECT_EQ(renderToText(root->Render(), 5, 3), "ab  d\n -   \n [c] ");
    }
  }
}

TEST(Focus, AnExternalSelectorIsReadAndWritten) {
  int selected = 1;
  auto a = Make<Probe>("a"), b = Make<Probe>("b");
  Component column = Container::Vertical({a, b}, &selected);
  EXPECT_TRUE(b->Focused());
  EXPECT_TRUE(column->OnEvent(Event::ArrowUp));
  EXPECT_EQ(selected, 0);
  selected = 7;  // out of range reads as the last child
  EXPECT_TRUE(b->Focused());
}

TEST(Events, GoOnlyToTheActiveChildButMouseGoesToAll) {
  auto a = Make<Probe>("a"), b = Make<Probe>("b");
  Component row = Container::Horizontal({a, b});
  row->OnEvent(Event::Character('q'));
  row->OnEvent(Event::MouseEvent(leftPress(0, 0)));
  EXPECT_EQ(a->seen.size(), 2u);
  EXPECT_EQ(b->seen.size(), 1u);
}

TEST(Wrappers, CatchEventAndRendererPassOnWhatTheyLeave) {
  auto probe = Make<Probe>("p");
  Component caught = CatchEvent(probe, [](Event event) { return event == Event::Tab; });
  EXPECT_EQ(offer(caught, {Event::Tab, Event::Character('x'), Event::Character('y')}), "110");
  EXPECT_EQ(probe->seen.size(), 2u) << "the caught Tab never reaches the child";
  EXPECT_TRUE(caught->Focusable());
  EXPECT_EQ(renderToText(caught->Render(), 3, 1), "[p]");

  Component framed = Renderer(probe, [&] { return hbox({text("<"), probe->Render(), text(">")}); });
  EXPECT_EQ(renderToText(framed->Render(), 5, 1), "<[p]>");
  EXPECT_TRUE(framed->OnEvent(Event::Character('x')));
  EXPECT_FALSE(Renderer([] { return text(""); })->Focusable());
}

TEST(Checkbox, TogglesWithSpaceReturnAndAClickOnItAndReports) {
  bool checked = false;
  int changes = 0;
  CheckboxOption option;
  option.on_change = [&] { ++changes; };
  Component box = Checkbox("Play", &checked, option);
  const std::tuple<Event, bool, const char*> steps[] = {
      {Event::Character(' '), true, "▣ Play"},       {Event::Return, true, "☐ Play"},
      {Event::Character('p'), false, "☐ Play"},      {Event::MouseEvent(leftPress(5, 3)), false, "☐ Play"},
      {Event::MouseEvent(leftPress(3, 0)), true, "▣ Play"},
  };
  Screen screen(6, 1);
  Render(screen, box->Render());  // records where the box is
  EXPECT_EQ(screen.toString(), "☐ Play");
  EXPECT_TRUE(screen.at(2, 0).inverted) << "focus shows inverted";
  for (const auto& [event, consumed, drawn] : steps) {
    EXPECT_EQ(box->OnEvent(event), consumed) << drawn;
    EXPECT_EQ(renderToText(box->Render(), 6, 1), drawn);
  }
  EXPECT_EQ(changes, 3);
}

TEST(Slider, ArrowsStepTheValueWithinItsBounds) {
  const std::tuple<int, Event, bool, int> cases[] = {  // value, key, consumed, value after
      {120, Event::ArrowRight, true, 130}, {120, Event::Character('l'), true, 130},
      {120, Event::ArrowLeft, true, 110},  {120, Event::Character('h'), true, 110},
      {235, Event::ArrowRight, true, 240}, {240, Event::ArrowRight, true, 240},
      {25, Event::ArrowLeft, true, 20},    {120, Event::ArrowUp, false, 120},
  };
  for (const auto& [before, key, consumed, after] : cases) {
    int bpm = before;
    EXPECT_EQ(Slider("BPM ", &bpm, 20, 240, 10)->OnEvent(key), consumed) << before;
    EXPECT_EQ(bpm, after) << before;
  }
  float volume = 0.5f;
  Component slider = Slider("Volume", &volume, 0.0f, 1.0f, 0.05f);
  slider->OnEvent(Event::ArrowRight);
  EXPECT_FLOAT_EQ(volume, 0.55f);
  for (int i = 0; i < 30; ++i) slider->OnEvent(Event::ArrowLeft);
  EXPECT_FLOAT_EQ(volume, 0.0f);
  std::atomic<int> shared{5};
  EXPECT_EQ(offer(Slider("n", &shared, 0, 10, 3), {Event::ArrowRight, Event::ArrowRight}), "11");
  EXPECT_EQ(shared.load(), 10);
}

TEST(Slider, GaugeShowsTheValueAndTheMouseSetsIt) {
  int value = 5;
  Component slider = Slider("v", &value, 0, 10, 1);
  Screen screen(13, 1);  // "v" + "[" + a gauge of 10 cells + "]"
  Render(screen, slider->Render());
  EXPECT_EQ(screen.toString(), "v[█████     ]");
  const std::tuple<Mouse, bool, int> steps[] = {  // mouse, consumed, value after
      {leftPress(11, 0), true, 10},
      {Mouse{Mouse::Left, Mouse::Moved, 2, 0}, true, 0},
      {Mouse{Mouse::Left, Mouse::Released, 2, 0}, true, 0},
      {Mouse{Mouse::Left, Mouse::Moved, 6, 0}, false, 0},  // the drag ended with the release
      {leftPress(0, 0), false, 0},                    // the label is not the gauge
  };
  for (const auto& [mouse, consumed, after] : steps) {
    EXPECT_EQ(slider->OnEvent(Event::MouseEvent(mouse)), consumed) << mouse.x;
    EXPECT_EQ(value, after) << mouse.x;
  }
}

TEST(MouseCapture, OnlyOneComponentHoldsTheMouse) {
  auto capture = std::make_shared<MouseCapture>();
  int a = 0, b = 0;
  Component column = Container::Vertical({Slider("", &a, 0, 4, 1), Slider("", &b, 0, 4, 1)});
  Screen screen(7, 2);
  Render(screen, column->Render());
  EXPECT_TRUE(column->OnEvent(Event::MouseEvent(leftPress(5, 0), capture)));
  EXPECT_EQ(a, 4);
  // While the first slider drags, a move over the second one still goes to the first.
  EXPECT_TRUE(column->OnEvent(Event::MouseEvent(Mouse{Mouse::Left, Mouse::Moved, 1, 1}, capture)));
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(capture->take(), nullptr);
  column->OnEvent(Event::MouseEvent(Mouse{Mouse::Left, Mouse::Released, 1, 1}, capture));
  EXPECT_NE(capture->take(), nullptr);
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
