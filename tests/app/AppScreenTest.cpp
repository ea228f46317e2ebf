// The full-screen interface, its message log and its input, drawn into a cell grid without a terminal.

#include "app/App.h"
#include "app/AppScreen.h"
#include "app/CommandSocket.h"
#include "app/MessageLog.h"
#include "app/custom_WideInputBase.h"
#include "sequencer/Composition.h"
#include "tests/core/CoreFixture.h"
#include "text/Utf8.h"
#include "ui/Elements.h"
#include "ui/ScreenInteractive.h"

#include <atomic>
#include <cstring>
#include <map>
#include <span>
#include <thread>
#include <tuple>

namespace zaffo::testing {
namespace {

using ui::Color;
using ui::Event;

// Each element drawn on a row of its own, trailing blanks cut; with `markBold`, a bold row begins with '*'.
Rows renderRows(const std::vector<ui::Element>& lines, bool markBold = false) {
    Rows rows;
    for (const ui::Element& line : lines) {
        ui::Screen screen(120, 1);
        ui::Render(screen, line);
        std::string row = screen.toString();
        row.erase(row.find_last_not_of(' ') + 1);
        rows.push_back(markBold && screen.at(0, 0).bold ? "*" + row : row);
    }
    return rows;
}

// The screen drawn at a size, each row also as text.
struct Drawn {
    explicit Drawn(AppScreen& screen, int width = 200, int height = 50) : grid(width, height), rows(height) {
        ui::Render(grid, screen.root()->Render());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) rows[y] += grid.at(x, y).glyph;
    }
    bool contains(const std::string& text) const { return grid.toString().find(text) != std::string::npos; }
    // The first cell of the first row where the text begins, counted in cells, or null.
    const ui::Cell* at(const std::string& text, int rowsDown = 0) const {
        for (int y = 0; y < grid.height(); ++y) {
            std::string ascii;  // where every column is one byte
            for (int x = 0; x < grid.width(); ++x) ascii += grid.at(x, y).glyph.size() == 1 ? grid.at(x, y).glyph : "?";
            if (const std::size_t x = ascii.find(text); x != std::string::npos) return &grid.at(x, y + rowsDown);
        }
        return nullptr;
    }
    // The backgrounds of `count` cells from where the text first begins, `rowsDown` rows lower:
    // L for light grey, D dark grey, R red, . anything else. Grey cells have white text.
    std::string backgrounds(const std::string& text, int rowsDown, int count) const {
        static const std::map<Color, char> letters{{Color::GrayLight, 'L'}, {Color::GrayDark, 'D'}, {Color::Red, 'R'}};
        std::string shades;
        for (const ui::Cell& cell : std::span(at(text, rowsDown), at(text) ? count : 0)) {
            shades += letters.contains(cell.background) ? letters.at(cell.background) : '.';
            EXPECT_TRUE(!std::strchr("LD", shades.back()) || cell.foreground == Color::White) << text;
        }
        return shades;
    }

    ui::Screen grid;
    Rows rows;
};

// The interactive program on the pack folder, and its screen, without a terminal.
class AppScreenTest : public PackFolderTest {
protected:
    void submit(const std::wstring& line) {
        screen->commandText = line;
        screen->submit();
    }
    std::wstring browse(const Event& key) {
        EXPECT_TRUE(screen->historyKeys(key));
        return screen->commandText;
    }

    std::unique_ptr<App> app = std::make_unique<App>(base);
    std::unique_ptr<AppScreen> screen = std::make_unique<AppScreen>(app->core(), app->messageLog(), app->commands());
};

TEST_F(AppScreenTest, HistoryIsARingThroughTheFreshLine) {
    for (const wchar_t* line : {L"a", L"b", L"c"}) submit(line);
    const Event up = Event::ArrowUp, down = Event::ArrowDown;
    const std::pair<Event, const wchar_t*> keys[] = {
        {up, L"c"}, {up, L"b"}, {up, L"a"}, {up, L""}, {up, L"c"}, {down, L""}, {down, L"a"},
    };
    for (const auto& [key, shown] : keys) EXPECT_EQ(browse(key), shown);
    // The cursor stands after the entry's last character.
    screen->commandInput()->OnEvent(Event::Character('!'));
    EXPECT_EQ(screen->commandText, L"a!");
    screen->commandInput()->TakeFocus();
    auto cursorUnderlined = [&] { return (Drawn(*screen).at("Command:", 1) + 2)->underlined; };
    EXPECT_NE(cursorUnderlined(), cursorUnderlined()) << "the cursor cell blinks from one redraw to the next";
}

TEST_F(AppScreenTest, AFailedLineStaysWithItsErrorOnRedUntilTheNextGoodOne) {
    submit(L"kick xyz #-");
    EXPECT_EQ(screen->commandText, L"kick xyz #-");
    EXPECT_EQ(Drawn(*screen).backgrounds("Command:", 2, 1), "R");
    screen->commandInput()->OnEvent(Event::Backspace);
    EXPECT_EQ(screen->errorText, L"pattern not found: xyz") << "editing keeps the error";
    EXPECT_EQ(browse(Event::ArrowUp), L"") << "failed lines are not kept";

    submit(L"kick #-");
    EXPECT_EQ(screen->commandText, L"");
    EXPECT_EQ(screen->errorText, L"");
    EXPECT_EQ(Drawn(*screen).backgrounds("Command:", 2, 1), ".");
}

TEST_F(AppScreenTest, ASecondZaffoSaysInItsLogThatItTakesNoSentLines) {
    TempFolder runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    auto firstTerminal = ui::ScreenInteractive::Fullscreen(), secondTerminal = ui::ScreenInteractive::Fullscreen();
    CommandSocket first(firstTerminal, *screen, app->messageLog());
    CommandSocket second(secondTerminal, *screen, app->messageLog());
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(renderRows(app->messageLog().lines()).back(),
              "Another Zaffo already takes sent commands; this one takes none");
}

TEST_F(AppScreenTest, InstrumentRowsShowHeaderAndCellsInBothDisplays) {
    submit(L"kick #--#-3#250--#-2147483648");  // labels of three cells at most
    submit(L"snare #");
    submit(L". snare");
    Drawn shown(*screen);
    for (const char* text : {"> kick           1.00 &0", " #  -  -  #  #  -  -  # ", "│None"})
        EXPECT_TRUE(shown.contains(text)) << text;  // no parts yet
    // The clock stands at step 0: lit in a sounding instrument, not in a muted one.
    EXPECT_EQ(shown.backgrounds("> kick  ", 1, 24), "LLL" + std::string(21, 'D'));
    EXPECT_EQ(shown.backgrounds(". snare          1.00 &0", 1, 24), std::string(24, 'D'));

    submit(L"=a");
    submit(L"kick 0.25 &3");
    // Play, Record, Basic: the space clears Basic, which widens the names and the cells.
    screen->commandInput()->TakeFocus();
    for (const Event& key : {Event::Tab, Event::ArrowDown, Event::ArrowDown, Event::Character(' ')})
        screen->root()->OnEvent(key);
    shown = Drawn(*screen);
    for (const std::string& text :
         Rows{"☐ Basic", "> kick" + std::string(27, ' ') + "0.25 &3", " #    -    -    #-3  #99  -    -    #-99"})
        EXPECT_TRUE(shown.contains(text)) << text;
    EXPECT_EQ(shown.backgrounds("> kick  ", 1, 40), std::string(5, 'L') + std::string(35, 'D'));
    EXPECT_FALSE(shown.contains("│None"));
}

TEST_F(AppScreenTest, TabAndShiftTabGoRoundTheSettingsWhichKeepTheFocusTillTypingOrEscapeTakesItBack) {
    // The control whose label is drawn inverted, or the input, drawn inverted too.
    auto focused = [&]() -> std::string {
        const Drawn shown(*screen);
        std::string inverted;
        for (const char* label : {"Play", "Record", "Basic", "Link", "BPM", "Volume"})
            if (shown.at(label) && shown.at(label)->inverted) inverted += label;
        return inverted + (shown.at("Command:") && shown.at("Command:", 1)->inverted ? "input" : "");
    };
    const Event tab = Event::Tab, back = Event::TabReverse, step = Event::Custom, space = Event::Character(' ');
    const Event enter = Event::Return, escape = Event::Escape, k = Event::Character('k'), left = Event::ArrowLeft;
    // Each row: a key or a step posted by the clock, the focus after it, whether Play is set.
    const std::tuple<Event, const char*, bool> keys[] = {
        {step, "input", true},   {tab, "Play", true},    {step, "Play", true},   {space, "Play", false},
        {enter, "Play", true},   {k, "input", true},     {tab, "Play", true},    {tab, "Record", true},
        {tab, "Basic", true},    {tab, "Link", true},    {tab, "BPM", true},     {tab, "Volume", true},
        {left, "Volume", true},  {tab, "input", true},   {back, "Volume", true}, {back, "BPM", true},
        {escape, "input", true}, {back, "Volume", true}, {back, "BPM", true},    {back, "Link", true},
        {back, "Basic", true},   {back, "Record", true}, {back, "Play", true},   {back, "input", true},
    };
    screen->commandInput()->TakeFocus();
    for (std::size_t row = 0; row < std::size(keys); ++row) {
        const auto& [key, after, playing] = keys[row];
        screen->root()->OnEvent(key);
        EXPECT_EQ(focused(), after) << "row " << row;
        EXPECT_EQ(app->core().sequencer().playing.load(), playing) << "row " << row;
    }
    EXPECT_EQ(screen->commandText, L"k") << "typed on a check box, the letter went to the input";
    EXPECT_FLOAT_EQ(app->core().engine().masterVolume.load(), 0.95f);
}

// A long line scrolls sideways: the cursor's end of it is always in sight (the keys are checked on the real program).
TEST_F(AppScreenTest, ALongLineScrollsToKeepTheCursorInSight) {
    screen->commandInput()->TakeFocus();
    for (char c : std::string(60, 'b') + "e") screen->root()->OnEvent(Event::Character(c));
    EXPECT_TRUE(Drawn(*screen).contains("bbbe"));
    for (const Event& event : {Event::Home, Event::Character('s')}) screen->root()->OnEvent(event);
    EXPECT_TRUE(Drawn(*screen).contains("sbbb") && !Drawn(*screen).contains("bbbe"));
    EXPECT_EQ(screen->commandText.size(), 62u);
}

// The right-hand column gives way first, then the left-hand one; below 50 x 16 a notice stands
// alone. The settings pane keeps eight rows. Typing goes on throughout, seen or not.
TEST_F(AppScreenTest, EveryTerminalSizeShowsWhatFitsAndTakesTyping) {
    // Columns, rows, what shows and what does not.
    const std::tuple<int, int, Rows, Rows> sizes[] = {
        {80, 24, {"┌Settings", "┌Parts", "┌Zaffo"}, {"┌Samples"}},
        {50, 16, {"┌Zaffo", "Command:"}, {"┌Settings", "┌Samples", "Zaffo needs"}},
        {49,
         16,
         {"Zaffo needs at least 50x16;", "this terminal is 49x16"},
         {"┌Settings", "┌Parts", "┌Zaffo", "┌Sample Packs", "┌Samples"}},
        {200, 60, {"┌Settings", "┌Zaffo", "│> default", "│  other", "┌Samples", "│hh"}, {"Zaffo needs"}},
    };
    // Play has the focus when its column gives way: the keys go to the input.
    Drawn{*screen};  // lays the columns out
    screen->root()->OnEvent(Event::Tab);
    std::wstring typed;
    for (const auto& [columns, rows, shown, hidden] : sizes) {
        const Drawn drawn(*screen, columns, rows);
        for (const std::string& text : shown) EXPECT_TRUE(drawn.contains(text)) << columns << " " << text;
        for (const std::string& text : hidden) EXPECT_FALSE(drawn.contains(text)) << columns << " " << text;
        if (drawn.contains("┌Settings")) {  // eight rows, the Link row as wide as the others
            EXPECT_TRUE(drawn.rows[4].starts_with("│☐ Link ") && drawn.rows[8].starts_with("┌Parts")) << columns;
            EXPECT_EQ(drawn.rows[4].find("│", 1), drawn.rows[3].find("│", 1)) << columns;
        }
        const char letter = static_cast<char>('a' + columns % 26);
        screen->root()->OnEvent(Event::Character(letter));
        typed += static_cast<wchar_t>(letter);
        EXPECT_EQ(screen->commandText, typed) << columns;
        // Tab and Shift+Tab go nowhere while the settings are out of sight.
        for (const Event& key : {Event::Tab, Event::TabReverse}) {
            if (!drawn.contains("┌Settings")) screen->root()->OnEvent(key);
            EXPECT_TRUE(screen->commandInput()->Focused()) << columns;
        }
    }
}

// The peak since the last drawing, a cell for every 6 dB above -48 dBFS, and "limit" when the limiter turned it down.
TEST_F(AppScreenTest, TheTopBorderShowsTheOutputLevelAndTheLimiterAtWork) {
    const std::pair<float, const char*> cases[] = {
        {0.0f, "┌Zaffo───"}, {0.01f, "┌Zaffo ▮▮──"}, {0.5f, "┌Zaffo ▮▮▮▮▮▮▮──"}, {3.0f, "┌Zaffo ▮▮▮▮▮▮▮▮ limit──"}};
    AudioEngine& engine = app->core().engine();
    std::vector<float> out(2 * 4096);
    for (auto [level, title] : cases) {
        engine.play(std::make_shared<AudioBuffer>(std::vector<float>(2 * 2048, level)), 1.0f, 0);
        engine.renderPeriod(out.data(), 4096);
        EXPECT_TRUE(Drawn(*screen).contains(title)) << title;
        EXPECT_TRUE(Drawn(*screen).contains("┌Zaffo───")) << "what was shown is gone";
    }
}

TEST_F(AppScreenTest, ANameOfAnyLengthIsCutAndManyInstrumentsBuildOnlyTheRowsThatFit) {
    std::string instruments = "{\"name\": \"" + std::string(50'000, 'n') + "\", \"patternRaw\": \"#\", \"volume\": 1}";
    for (int i = 0; i < 10'000; ++i)
        instruments += ",{\"name\": \"i" + std::to_string(i) + "\", \"patternRaw\": \"#-\", \"volume\": 1}";
    ASSERT_TRUE(app->core().sequencer().fromJson(parseComposition("{\"activeInstruments\": [" + instruments + "]}")));
    const Drawn shown(*screen);
    // The header keeps the log's width, the name cut and the numbers whole; 50 rows less the frame and the command box
    // leave 43: 21 instruments, the last row counting the others.
    for (const std::string& text :
         Rows{"┌Settings", "┌Parts", "Command:", "┌Sample Packs", "┌Samples", "> " + std::string(37, 'n') + "… 1.00 &0",
              "> i19 ", "... 9980 more instruments"})
        EXPECT_TRUE(shown.contains(text)) << text;
    EXPECT_FALSE(shown.contains("> i20 "));
}

// The interface, audio and watcher threads meeting in one App, for ThreadSanitizer: the clock runs, parts are cued,
// packs switch and samples arrive while lines are typed and the screen is drawn.
TEST_F(AppScreenTest, CommandsCuesReloadsAndTheAudioThreadShareTheAppSafely) {
    Core* core = &app->core();
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> period(2 * 256);
        while (!done) core->engine().renderPeriod(period.data(), 256);
    });
    for (int round = 0; round < 20; ++round) {
        for (const char* line : {"kick #-#5 &1", "hh 0.5 #", "=a", "snare #--", "a", "bpm 400", "kick", "volume 0.9",
                                 "/hh", "use other", "boom #", "use default", "kick -#", "=b"}) {
            app->commands().run(line);
            core->sequencer().cuePart(round % 2 ? "a" : "b");
        }
        writeWav(pack("default") + "/clap.wav", 100 + round);
        Drawn{*screen};
    }
    EXPECT_TRUE(waitUntil([&] { return core->samples().contains("clap"); }));
    done = true;
    audio.join();
}

// A core alone, with no screen and no watcher, answers with the lines the screen's log shows after the echo.
TEST_F(AppScreenTest, ACoreWithoutAScreenAnswersWithTheLinesTheLogShows) {
    writeFile(base + "/song.json", "{}");
    Core alone(base, Core::Mode::offline, [](const AnswerLine&) {});
    uint32_t page = 0;
    CommandRunner commands(alone, page);
    for (const std::string line : {"help", "save", "use"}) {
        const CommandAnswer answer = commands.run(line);
        submit(toWide(line));
        Rows expected{"> " + line};
        for (std::string row : textsOf(answer.lines, true))
            expected.push_back(row.erase(row.find_last_not_of(' ') + 1));
        const Rows shown = renderRows(app->messageLog().lines(), true);
        EXPECT_TRUE(answer.ok && expected.size() > 2) << line;
        EXPECT_EQ(Rows(shown.end() - static_cast<long>(expected.size()), shown.end()), expected);
    }
}

// Whether the welcome shows; titles and items printed by the first command; lines committed and their results; the
// rows, '*' before each bold one.
using Prints = std::vector<std::pair<std::wstring, std::vector<std::wstring>>>;
using Commits = std::vector<std::pair<std::wstring, std::string>>;
const std::tuple<bool, Prints, Commits, Rows> cases[] = {
    {true, {}, {}, {"", "", "", "", "", "", "", "", "*type 'tutorial' for tutorial", "*type 'help' for help"}},
    // Items go into bold rows of at most 48 columns, a blank after each.
    {false,
     {{L"Title: ", std::vector<std::wstring>(9, L"abcde")}},
     {{L"x", ""}},
     {"> x", "Title:", "*abcde abcde abcde abcde abcde abcde abcde abcde", "*abcde"}},
    // A first item too long for a row follows an empty bold row.
    {false,
     {{L"Files: ", {std::wstring(60, L'x'), L"y"}}},
     {{L"save", ""}},
     {"> save", "Files:", "*", "*" + std::string(60, 'x'), "*y"}},
    // A commit shows its echo, then what was printed, then the message's lines but empty ones.
    {false, {}, {{L"kick", ""}, {L"b", "a\n\nb\n"}}, {"> kick", "> b", "*a", "*b"}},
    // Only the newest ten rows are kept.
    {true,
     {},
     {{L"many", "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk"}},
     {"*b", "*c", "*d", "*e", "*f", "*g", "*h", "*i", "*j", "*k"}},
};

TEST(MessageLog, ShowsWhatIsPrintedAndCommittedInBoldAndPlainRows) {
    for (const auto& [welcome, prints, commits, rows] : cases) {
        MessageLog log;
        if (welcome) log.showWelcome();
        CommandOutput output;
        for (const auto& [title, items] : prints) output.printMessage(title, items);
        for (const auto& [line, message] : commits) log.commitCommand(line, makeAnswer(output.take(), true, message));
        EXPECT_EQ(renderRows(log.lines(), true), rows);
    }
}

// Backspace and Delete with nothing to do at the line's ends are left to others, the arrows are not (they would move
// the focus away).
TEST(WideInput, KeepsArrowsAtTheEndsKeepsAstralCharactersWholeAndFollowsTheOwnersCursor) {
    std::wstring content;
    int changes = 0, enters = 0;
    ui::InputOption option{[&] { ++changes; }, [&] { ++enters; }};
    custom_WideInputBase input(&content, L"", &option);
    std::string handled;
    for (const Event& key : {Event::Backspace, Event::ArrowLeft, Event::Character("\xF0\x9F\xA5\x81"), Event::Delete,
                             Event::ArrowRight, Event::ArrowUp, Event::Custom, Event::Return, Event::Character('x')})
        handled += input.OnEvent(key) ? '1' : '0';
    EXPECT_EQ(handled, "011010011");
    EXPECT_EQ(std::tuple(content, changes, enters), std::tuple(std::wstring{wchar_t(0x1F941)} + L"x", 2, 1));
    option.cursor_position = 1;
    input.OnEvent(Event::Backspace);
    EXPECT_EQ(std::pair(content, option.cursor_position), std::pair(std::wstring(L"x"), 0)) << "removed whole";
    option.cursor_position = 99;  // beyond the end: clamped before use
    input.OnEvent(Event::Backspace);
    EXPECT_EQ(content, L"");
}

}  // namespace
}  // namespace zaffo::testing
