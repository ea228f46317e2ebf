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
    }
    void type(const std::u32string& typed) {
        for (char32_t c : typed) input->OnEvent(Event::Character(c));
    }

    std::wstring content;
    ui::InputOption option;
    std::shared_ptr<custom_WideInputBase> input = std::make_shared<custom_WideInputBase>(&content, L"", &option);
    int changes = 0;
    int enters = 0;
};

TEST_F(WideInputTest, EditsAtTheCursorAndLeavesKeysAtTheEndsToOthers) {
    const struct {
        Event key;
        bool handled;
        const wchar_t* content;
    } steps[] = {
        {Event::Backspace, false, L""},        {Event::ArrowLeft, false, L""},
        {Event::Character('k'), true, L"k"},   {Event::Character('i'), true, L"ki"},
        {Event::Delete, false, L"ki"},         {Event::ArrowRight, false, L"ki"},
        {Event::ArrowLeft, true, L"ki"},       {Event::Backspace, true, L"i"},
        {Event::Character('x'), true, L"xi"},  {Event::End, true, L"xi"},
        {Event::Character('!'), true, L"xi!"}, {Event::Home, true, L"xi!"},
        {Event::Delete, true, L"i!"},          {Event::Custom, false, L"i!"},
        {Event::ArrowUp, false, L"i!"},        {Event::Return, true, L"i!"},
    };
    for (const auto& [key, handled, shown] : steps) {
        EXPECT_EQ(input->OnEvent(key), handled) << static_cast<int>(key.kind());
        EXPECT_EQ(content, shown);
    }
    EXPECT_EQ(changes, 6);
    EXPECT_EQ(enters, 1);
}

TEST_F(WideInputTest, ACharacterBeyondTheBasicPlaneIsInsertedWholeAndAnOwnerSetCursorTakesOver) {
    input->OnEvent(Event::Character(std::string("\xF0\x9F\xA5\x81")));  // a drum, U+1F941
    type(U"xyz");
    ASSERT_EQ(content, (std::wstring{wchar_t(0x1F941)} + L"xyz"));
    option.cursor_position = 1;
    input->OnEvent(Event::Backspace);
    EXPECT_EQ(content, L"xyz") << "one key removes the whole character";
    type(U"X");
    EXPECT_EQ(content, L"Xxyz");
    EXPECT_EQ(option.cursor_position, 1);
    option.cursor_position = 99;  // beyond the end: clamped before use
    input->OnEvent(Event::Backspace);
    EXPECT_EQ(content, L"Xxy");
}

}  // namespace
}  // namespace zaffo
