#include "app/custom_WideInputBase.h"

#include "ui/Components.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

using ui::Event;

class WideInputTest : public ::testing::Test {
protected:
    WideInputTest() {
        option.on_change = [this] { ++changes; };
        option.on_enter = [this] { ++enters; };
        input = std::make_shared<custom_WideInputBase>(&content, L"", &option);
    }

    void type(const std::string& utf8) {
        for (char32_t c : std::u32string(utf8.begin(), utf8.end())) input->OnEvent(Event::Character(c));
    }

    std::wstring content;
    ui::InputOption option;
    std::shared_ptr<custom_WideInputBase> input;
    int changes = 0;
    int enters = 0;
};

TEST_F(WideInputTest, EditsAtTheCursor) {
    type("kick");
    EXPECT_EQ(content, L"kick");
    EXPECT_EQ(changes, 4);
    input->OnEvent(Event::ArrowLeft);
    input->OnEvent(Event::ArrowLeft);
    input->OnEvent(Event::Backspace);
    type("x");
    EXPECT_EQ(content, L"kxck");
    input->OnEvent(Event::Home);
    input->OnEvent(Event::Delete);
    EXPECT_EQ(content, L"xck");
    input->OnEvent(Event::End);
    type("!");
    EXPECT_EQ(content, L"xck!");
}

TEST_F(WideInputTest, KeysAtTheEndsAreLeftToOthers) {
    EXPECT_FALSE(input->OnEvent(Event::Backspace));
    EXPECT_FALSE(input->OnEvent(Event::ArrowLeft));
    type("a");
    EXPECT_FALSE(input->OnEvent(Event::Delete));
    EXPECT_FALSE(input->OnEvent(Event::ArrowRight));
    EXPECT_FALSE(input->OnEvent(Event::Custom));
    EXPECT_FALSE(input->OnEvent(Event::ArrowUp));
    EXPECT_TRUE(input->OnEvent(Event::Return));
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(changes, 1);
}

TEST_F(WideInputTest, ACharacterBeyondTheBasicPlaneIsInsertedWhole) {
    input->OnEvent(Event::Character(std::string("\xF0\x9F\xA5\x81")));  // a drum, U+1F941
    type("x");
    ASSERT_EQ(content.size(), 2u);
    EXPECT_EQ(content[0], static_cast<wchar_t>(0x1F941));
    input->OnEvent(Event::ArrowLeft);
    input->OnEvent(Event::Backspace);
    EXPECT_EQ(content, L"x") << "one key removes the whole character";
}

TEST_F(WideInputTest, AnOwnerSetCursorTakesOver) {
    type("abc");
    option.cursor_position = 1;
    type("X");
    EXPECT_EQ(content, L"aXbc");
    EXPECT_EQ(option.cursor_position, 2);
    option.cursor_position = 99;  // beyond the end: clamped before use
    input->OnEvent(Event::Backspace);
    EXPECT_EQ(content, L"aXb");
}

TEST_F(WideInputTest, TheCursorCellBlinksFromOneRedrawToTheNext) {
    auto root = ui::Container::Vertical({input});
    input->TakeFocus();
    type("ab");
    input->OnEvent(Event::Home);
    auto underlinedAtCursor = [&] {
        ui::Screen screen(10, 1);
        ui::Render(screen, input->Render());
        return screen.at(0, 0).underlined;
    };
    const bool first = underlinedAtCursor();
    EXPECT_NE(underlinedAtCursor(), first);
    EXPECT_EQ(underlinedAtCursor(), first);
}

}  // namespace
}  // namespace zaffo
