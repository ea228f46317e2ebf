// A tree shaped like a real screen: a settings column of check boxes and sliders, a
// main view around a text field, scrolling lists; Tab and Shift+Tab travel through it
// with the help of CatchEvent handlers, as an application wires them.
#include <gtest/gtest.h>

#include "tests/ui/RenderHelper.h"
#include "ui/Components.h"
#include "ui/Elements.h"
#include "ui/ScrollerBase.h"
#include "ui/custom_Border.h"

namespace zaffo::ui {
namespace {

using testing::renderToText;

class Field : public ComponentBase {
 public:
  Element Render() override { return text(Focused() ? "[field]" : "field"); }
  bool Focusable() const override { return true; }
};

Component list(int rows) {
  return Scroller(Container::Vertical({Renderer([rows] {
    Elements lines;
    for (int i = 0; i < rows; ++i) lines.push_back(text("item" + std::to_string(i)));
    return vbox(std::move(lines));
  })}));
}

Component pane(std::string title, Component child) {
  return Renderer(child, [title, child] {
    return std::make_shared<custom_Border>(Elements{child->Render(), text(title)}, 0) | xflex | yflex;
  });
}

struct ScreenTree {
  ScreenTree() {
    auto onlyOn = [](Event key, Component target) {
      return [key, target](Event event) {
        if (event != key) return false;
        target->TakeFocus();
        return true;
      };
    };
    first = CatchEvent(Checkbox("First", &flags[0]), onlyOn(Event::TabReverse, field));
    Component second = Checkbox("Second", &flags[1]);
    Component third = Checkbox("Third", &flags[2]);
    Component spacer = Renderer([] { return text("") | size(WIDTH, EQUAL, 20); });
    Component rate = Slider("Rate  ", &rateValue, 20, 240, 1);
    last = CatchEvent(Slider("Level ", &levelValue, 0.0f, 1.0f, 0.05f), onlyOn(Event::Tab, field));
    Component settings = pane("Settings", Container::Vertical({first, second, third, spacer, rate, last}));
    Component left = Container::Vertical({settings, pane("Parts", list(3))});
    Component main = Renderer(CatchEvent(field, [this](Event event) {
      if (event == Event::Tab) first->TakeFocus();
      else if (event == Event::TabReverse) last->TakeFocus();
      else return false;
      return true;
    }), [this] { return field->Render(); });
    Component right = Container::Vertical({pane("Packs", Renderer([] { return text("pack"); })),
                                           pane("Samples", list(40))},
                                          &selectedPane);
    root = Container::Horizontal({left, main, right});
    field->TakeFocus();
  }

  bool flags[3] = {true, false, true};
  int rateValue = 120;
  float levelValue = 0.5f;
  int selectedPane = 0;
  std::shared_ptr<Field> field = Make<Field>();
  Component first, last, root;
};

TEST(FocusTravel, TabCyclesFromTheFieldThroughTheSettingsAndBack) {
  ScreenTree tree;
  std::vector<std::string> visited;
  for (int i = 0; i < 6; ++i) {
    tree.root->OnEvent(Event::Tab);
    visited.push_back(tree.field->Focused() ? "field" : tree.first->Focused() ? "first" : tree.last->Focused() ? "last" : "other");
  }
  EXPECT_EQ(visited, (std::vector<std::string>{"first", "other", "other", "other", "last", "field"}));
}

TEST(FocusTravel, ShiftTabRunsTheOtherWay) {
  ScreenTree tree;
  tree.root->OnEvent(Event::TabReverse);
  EXPECT_TRUE(tree.last->Focused());
  for (int i = 0; i < 4; ++i) tree.root->OnEvent(Event::TabReverse);
  EXPECT_TRUE(tree.first->Focused());
  tree.root->OnEvent(Event::TabReverse);
  EXPECT_TRUE(tree.field->Focused());
}

TEST(FocusTravel, KeysReachTheFocusedControlOnly) {
  ScreenTree tree;
  tree.root->OnEvent(Event::TabReverse);  // the level slider
  tree.root->OnEvent(Event::ArrowRight);
  EXPECT_FLOAT_EQ(tree.levelValue, 0.55f);
  tree.root->OnEvent(Event::ArrowUp);  // the rate slider
  tree.root->OnEvent(Event::ArrowLeft);
  EXPECT_EQ(tree.rateValue, 119);
  tree.root->OnEvent(Event::ArrowUp);  // past the spacer to the third box
  tree.root->OnEvent(Event::Return);
  EXPECT_FALSE(tree.flags[2]);
  EXPECT_TRUE(tree.flags[0]);
}

TEST(FocusTravel, ALongListScrollsBeforeItsNeighbourPaneShrinks) {
  ScreenTree tree;
  std::string drawn = renderToText(tree.root->Render(), 60, 12);
  EXPECT_NE(drawn.find("┌Packs"), std::string::npos) << drawn;
  EXPECT_NE(drawn.find("│pack"), std::string::npos) << drawn;
}

TEST(FocusTravel, TheWholeTreeRendersIntoItsPanes) {
  ScreenTree tree;
  std::string drawn = renderToText(tree.root->Render(), 60, 12);
  EXPECT_NE(drawn.find("┌Settings"), std::string::npos) << drawn;
  EXPECT_NE(drawn.find("│▣ First"), std::string::npos) << drawn;
  EXPECT_NE(drawn.find("[field]"), std::string::npos) << drawn;
  EXPECT_NE(drawn.find("┌Samples"), std::string::npos) << drawn;
  EXPECT_NE(drawn.find("item0"), std::string::npos) << drawn;
}

TEST(FocusTravel, AnExternalSelectionPicksThePaneThatArrowsLeaveFrom) {
  ScreenTree tree;
  tree.root->OnEvent(Event::ArrowRight);  // the field leaves arrows to the root
  tree.selectedPane = 1;
  renderToText(tree.root->Render(), 60, 12);  // a list learns its length when drawn
  tree.root->OnEvent(Event::End);
  std::string drawn = renderToText(tree.root->Render(), 60, 12);
  EXPECT_NE(drawn.find("item39"), std::string::npos) << drawn;
}

}  // namespace
}  // namespace zaffo::ui
