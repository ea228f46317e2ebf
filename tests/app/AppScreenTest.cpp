#include "AppFixture.h"

#include "app/AppScreen.h"
#include "sequencer/Composition.h"

#include <sstream>

namespace zaffo::testing {
namespace {

class AppScreenTest : public AppTest {
protected:
    AppScreenTest() {
        start();
        screen = std::make_unique<AppScreen>(*app);
    }

    void submit(const std::wstring& line) {
        screen->commandText = line;
        screen->submit();
    }

    std::wstring browse(const ui::Event& key) {
        EXPECT_TRUE(screen->historyKeys(key));
        return screen->commandText;
    }

    std::string draw() {
        ui::Screen grid(200, 50);
        ui::Render(grid, screen->root()->Render());
        return grid.toString();
    }

    std::unique_ptr<AppScreen> screen;
};

TEST_F(AppScreenTest, HistoryIsARingThroughTheFreshLine) {
    for (const wchar_t* line : {L"a", L"b", L"c"}) submit(line);
    const ui::Event up = ui::Event::ArrowUp, down = ui::Event::ArrowDown;
    const std::pair<ui::Event, const wchar_t*> keys[] = {
        {up, L"c"}, {up, L"b"}, {up, L"a"}, {up, L""}, {up, L"c"}, {down, L""}, {down, L"a"},
    };
    for (const auto& [key, shown] : keys) EXPECT_EQ(browse(key), shown);

    // The cursor stands after the entry's last character.
    screen->commandInput()->OnEvent(ui::Event::Character('!'));
    EXPECT_EQ(screen->commandText, L"a!");
}

TEST_F(AppScreenTest, AFailedLineStaysWithItsErrorUntilTheNextGoodOne) {
    submit(L"kick xyz #-");
    EXPECT_EQ(screen->commandText, L"kick xyz #-");
    EXPECT_EQ(screen->errorText, L"pattern not found: xyz");
    EXPECT_FALSE(screen->historyKeys(ui::Event::Character('x')));
    EXPECT_EQ(browse(ui::Event::ArrowUp), L"") << "failed lines are not kept";

    submit(L"kick #-");
    EXPECT_EQ(screen->commandText, L"");
    EXPECT_EQ(screen->errorText, L"");
    EXPECT_EQ(browse(ui::Event::ArrowUp), L"kick #-");
}

TEST_F(AppScreenTest, InstrumentRowsShowHeaderAndCellsInBothDisplays) {
    submit(L"kick #--#-3");
    submit(L".snare");
    std::string shown = draw();
    EXPECT_NE(shown.find("> kick           1.00 &0"), std::string::npos) << shown;
    EXPECT_NE(shown.find(" #  -  -  #  #  -  -  # "), std::string::npos) << shown;
    EXPECT_NE(shown.find(". snare          1.00 &0"), std::string::npos) << shown;
    EXPECT_NE(shown.find("None"), std::string::npos) << "no parts yet";

    submit(L"=a");
    submit(L"kick 0.25 &3");
    shown = draw();
    EXPECT_NE(shown.find("> kick           0.25 &3"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("None"), std::string::npos);
}

TEST_F(AppScreenTest, TheLinkBoxTakesTheRowBetweenBasicAndBpm) {
    std::istringstream shown(draw());
    std::vector<std::string> settings;
    for (std::string row; std::getline(shown, row) && settings.size() < 8;) {
        if (row.starts_with("┌Settings") || !settings.empty()) settings.push_back(row);
    }
    ASSERT_EQ(settings.size(), 8u);
    EXPECT_TRUE(settings[3].starts_with("│▣ Basic")) << settings[3];
    EXPECT_TRUE(settings[4].starts_with("│☐ Link ")) << settings[4];
    EXPECT_TRUE(settings[5].starts_with("│BPM")) << settings[5];
    EXPECT_TRUE(settings[7].starts_with("└")) << "eight rows high";
    EXPECT_EQ(settings[4].find("│", 1), settings[3].find("│", 1)) << "as wide as the pane";
}

TEST_F(AppScreenTest, ANameOfAnyLengthIsCutAndManyInstrumentsBuildOnlyTheRowsThatFit) {
    std::string instruments = "{\"name\": \"" + std::string(50'000, 'n') + "\", \"patternRaw\": \"#\", \"volume\": 1}";
    for (int i = 0; i < 10'000; ++i) {
        instruments += ",{\"name\": \"i" + std::to_string(i) + "\", \"patternRaw\": \"#-\", \"volume\": 1}";
    }
    ASSERT_TRUE(app->sequencerOf().fromJson(parseComposition("{\"activeInstruments\": [" + instruments + "]}")));
    const std::string shown = draw();
    for (const char* pane : {"┌Settings", "┌Parts", "Command:", "┌Sample Packs", "┌Samples"}) {
        EXPECT_NE(shown.find(pane), std::string::npos) << pane;
    }
    // The header keeps the width of the log: the name cut, the numbers whole.
    EXPECT_NE(shown.find("> " + std::string(37, 'n') + "… 1.00 &0"), std::string::npos) << shown;
    // 50 rows less the frame and the command box (the log is empty) leave 43: 21 instruments.
    EXPECT_NE(shown.find("> i19 "), std::string::npos) << shown;
    EXPECT_EQ(shown.find("> i20 "), std::string::npos) << shown;
}

TEST(PitchLabel, IsThreeCharactersWide) {
    const std::pair<int32_t, const wchar_t*> cases[] = {
        {0, L"   "}, {5, L"5  "}, {-5, L"-5 "}, {12, L"12 "}, {-12, L"-12"}, {10, L"10 "}, {250, L"99 "},
        {-250, L"-99"}, {INT32_MIN, L"-99"},
    };
    for (const auto& [pitch, label] : cases) EXPECT_EQ(pitchLabel(pitch), label) << pitch;
}

}  // namespace
}  // namespace zaffo::testing
