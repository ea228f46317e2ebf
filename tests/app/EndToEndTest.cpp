// The real program in a real terminal: typed with tmux send-keys, read with capture-pane.
#include "tests/app/TmuxSession.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zaffo::test {
namespace {

constexpr int red = 1;
constexpr int grayLight = 7;
constexpr int grayDark = 8;
constexpr int white = 15;
constexpr std::int64_t framesPerStep = 24000;  // half a beat at 120 beats per minute, 96000 frames a second

constexpr int logWidth = 48;
constexpr int paneWidth = 20;

const std::vector<std::string> defaultSamples{"clap", "cowbell", "hh", "kick", "oh", "percy", "rim", "snare", "tom"};

// The first screen is drawn in one go, but a capture may still fall between two writes.
Expectation firstScreen() {
    return {"the first screen", [](const Screen& screen) {
                return screen.contains("type 'help' for help") && screen.contains("Command:") &&
                       screen.contains("┌Samples") && screen.contains("tom") && screen.contains("Volume");
            }};
}

// The line under "Command:" is the input; the one below it the error line.
Position inputPlace(const Screen& screen) {
    const auto label = screen.find("Command:");
    return label ? Position{label->row + 1, label->column} : Position{-1, -1};
}

std::string inputText(const Screen& screen) {
    const Position input = inputPlace(screen);
    return screen.textAt(input.row, input.column, logWidth);
}

Expectation inputShowing(std::string text) {
    return {"the input to hold \"" + text + "\"", [text](const Screen& screen) { return inputText(screen) == text; }};
}

std::string errorText(const Screen& screen) {
    const Position input = inputPlace(screen);
    return screen.textAt(input.row + 1, input.column, logWidth);
}

int errorBackground(const Screen& screen) {
    const Position input = inputPlace(screen);
    return screen.cell(input.row + 1, input.column).background;
}

// The text lines of a pane's content, read below its title.
std::vector<std::string> paneLines(const Screen& screen, const std::string& title, int count) {
    std::vector<std::string> lines;
    const auto top = screen.find("┌" + title);
    if (!top) return lines;
    for (int i = 1; i <= count; ++i) lines.push_back(screen.textAt(top->row + i, top->column + 1, paneWidth));
    return lines;
}

// The steps row under an instrument's header: the label text of each cell, and which cell
// is highlighted (the only one on light grey, the others on dark grey), if exactly one is.
struct StepRow {
    std::vector<std::string> labels;
    std::optional<int> highlighted;
    int lightCells = 0;
    bool allWhiteText = true;
};

StepRow stepRow(const Screen& screen, const std::string& header, int cellWidth) {
    StepRow row;
    const auto at = screen.find(header);
    if (!at) return row;
    int light = 0;
    int dark = 0;
    for (int step = 0; step < 8; ++step) {
        const int column = at->column + step * cellWidth;
        std::string label;
        for (int c = column; c < column + cellWidth; ++c) {
            const Cell cell = screen.cell(at->row + 1, c);
            label += cell.glyph;
            row.allWhiteText = row.allWhiteText && cell.foreground == white;
            if (cell.background == grayLight) {
                ++light;
                if (c == column) row.highlighted = step;
            } else if (cell.background == grayDark) {
                ++dark;
            }
        }
        row.labels.push_back(label);
    }
    row.lightCells = light;
    if (light != cellWidth || dark != 7 * cellWidth) row.highlighted.reset();
    return row;
}

Expectation highlightMovedFrom(std::string header, int cellWidth, int step) {
    return {"the highlight of \"" + header + "\" to leave step " + std::to_string(step),
            [=](const Screen& screen) {
                const auto now = stepRow(screen, header, cellWidth).highlighted;
                return now && *now != step;
            }};
}

// The library draws the focused check box or slider label inverted.
Expectation focusedOn(std::string label) {
    return {"\"" + label + "\" to have the focus", [label](const Screen& screen) {
                const auto at = screen.find(label);
                return at && screen.cell(at->row, at->column).inverted;
            }};
}

Expectation notFocusedOn(std::string label) {
    return {"\"" + label + "\" to lose the focus", [label](const Screen& screen) {
                const auto at = screen.find(label);
                return at && !screen.cell(at->row, at->column).inverted;
            }};
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TmuxSession::available()) GTEST_SKIP() << "tmux is not installed";
    }

    void start(const std::vector<std::string>& environment = {}, const std::string& afterExit = "") {
        session.start(environment, afterExit);
        ASSERT_TRUE(session.waitFor(firstScreen()));
    }

    // Submits a line that must succeed: its echo appears in the log and the input empties.
    void command(const std::string& line) {
        session.submit(line);
        ASSERT_TRUE(session.waitFor({"\"" + line + "\" to be taken", [line](const Screen& screen) {
                                         return screen.contains("> " + line) && inputText(screen).empty();
                                     }}));
    }

    // Clears Play with the stop command. A step that the clock posted just before it
    // stopped still pulls the focus to the input once; a key typed and erased afterwards is
    // handled after that step, so from then on the focus stays where the keys put it.
    void stopClock() {
        command(".");
        ASSERT_TRUE(session.waitFor(showing("☐ Play")));
        session.type("z");
        ASSERT_TRUE(session.waitFor(inputShowing("z")));
        session.press({"BSpace"});
        ASSERT_TRUE(session.waitFor(inputShowing("")));
    }

    TmuxSession session;
};

TEST_F(EndToEnd, FirstScreenShowsThePanesTheHintsAndTheDefaultPack) {
    start();
    const Screen& screen = session.screen();
    for (const char* title : {"┌Settings", "┌Parts", "┌Zaffo", "┌Sample Packs", "┌Samples"}) {
        EXPECT_TRUE(screen.contains(title)) << title;
    }
    EXPECT_FALSE(screen.contains("hi!")) << "the greeting belongs to the normal screen, not the full-screen view";

    const auto tutorial = screen.find("type 'tutorial' for tutorial");
    const auto help = screen.find("type 'help' for help");
    ASSERT_TRUE(tutorial && help);
    EXPECT_EQ(help->row, tutorial->row + 1);
    EXPECT_EQ(help->column, tutorial->column);
    for (int c = 0; c < 20; ++c) {
        EXPECT_TRUE(screen.cell(help->row, help->column + c).bold) << "help hint, cell " << c;
        EXPECT_TRUE(screen.cell(tutorial->row, tutorial->column + c).bold) << "tutorial hint, cell " << c;
    }
    // Ten log lines of which only the last two have text; the command box follows.
    for (int row = tutorial->row - 8; row < tutorial->row; ++row) {
        EXPECT_EQ(screen.textAt(row, help->column, logWidth), "") << "log row " << row;
    }
    EXPECT_EQ(screen.textAt(help->row + 2, help->column, logWidth), "Command:");
    EXPECT_EQ(inputText(screen), "");
    EXPECT_EQ(errorText(screen), "");

    EXPECT_EQ(paneLines(screen, "Settings", 4),
              (std::vector<std::string>{"▣ Play", "☐ Record", "▣ Basic", "☐ Link"}));
    EXPECT_EQ(paneLines(screen, "Parts", 2), (std::vector<std::string>{"None", ""}));
    EXPECT_EQ(paneLines(screen, "Sample Packs", 3), (std::vector<std::string>{"> default", "  tarvik", ""}));
    std::vector<std::string> samples = defaultSamples;
    samples.push_back("");
    EXPECT_EQ(paneLines(screen, "Samples", 10), samples);
}

TEST_F(EndToEnd, AnInstrumentShowsItsStepsWithTheHighlightMoving) {
    start();
    command("kick #-");
    const std::string header = "> kick           1.00 &0";
    ASSERT_TRUE(session.waitFor(showing(header)));

    const StepRow row = stepRow(session.screen(), header, 3);
    EXPECT_EQ(row.labels, (std::vector<std::string>{" # ", " - ", " # ", " - ", " # ", " - ", " # ", " - "}));
    EXPECT_TRUE(row.allWhiteText);
    ASSERT_TRUE(row.highlighted) << session.screen().text();

    ASSERT_TRUE(session.waitFor(highlightMovedFrom(header, 3, *row.highlighted)));
    const int second = *stepRow(session.screen(), header, 3).highlighted;
    ASSERT_TRUE(session.waitFor(highlightMovedFrom(header, 3, second)));
}

TEST_F(EndToEnd, AMutedInstrumentHasNoHighlight) {
    start();
    command("kick #-");
    command(". kick");
    const std::string header = ". kick           1.00 &0";
    ASSERT_TRUE(session.waitFor(showing(header)));
    // Over a few steps, every cell stays dark.
    for (int captures = 0; captures < 5; ++captures) {
        ASSERT_TRUE(session.waitFor(showing(header)));
        const StepRow row = stepRow(session.screen(), header, 3);
        EXPECT_EQ(row.lightCells, 0);
        EXPECT_EQ(row.labels[0], " # ");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

TEST_F(EndToEnd, AFailedLineStaysWithItsErrorOnRedUntilTheNextGoodCommand) {
    start();
    session.submit("kick xyz #-");
    ASSERT_TRUE(session.waitFor(showing("pattern not found: xyz")));
    EXPECT_EQ(inputText(session.screen()), "kick xyz #-");
    EXPECT_EQ(errorText(session.screen()), "pattern not found: xyz");
    EXPECT_EQ(errorBackground(session.screen()), red);
    EXPECT_FALSE(session.screen().contains("> kick xyz #-")) << "a failed line is not echoed to the log";

    // Corrected in place: to the start, over "kick ", and "xyz " deleted.
    session.press({"Home", "Right", "Right", "Right", "Right", "Right", "DC", "DC", "DC", "DC"});
    ASSERT_TRUE(session.waitFor(inputShowing("kick #-")));
    EXPECT_EQ(errorText(session.screen()), "pattern not found: xyz") << "editing keeps the error";
    session.press({"Enter"});
    ASSERT_TRUE(session.waitFor(showing("> kick #-")));
    ASSERT_TRUE(session.waitFor(notShowing("pattern not found")));
    EXPECT_EQ(inputText(session.screen()), "");
    EXPECT_NE(errorBackground(session.screen()), red);
}

TEST_F(EndToEnd, HistoryUpAndDownRunAroundARingWithTheFreshLine) {
    start();
    command("kick #-");
    command("hh #");
    command("snare -#");

    const std::vector<std::pair<std::string, std::string>> moves{
        {"Up", "snare -#"}, {"Up", "hh #"}, {"Up", "kick #-"}, {"Up", ""},
        {"Up", "snare -#"}, {"Down", ""},   {"Down", "kick #-"}, {"Down", "hh #"},
    };
    for (const auto& [key, shown] : moves) {
        session.press({key});
        ASSERT_TRUE(session.waitFor(inputShowing(shown))) << "after " << key;
    }
    // The cursor stands after the recalled line.
    session.type("-");
    ASSERT_TRUE(session.waitFor(inputShowing("hh #-")));
}

TEST_F(EndToEnd, TabAndShiftTabCycleThroughTheInputAndTheSettings) {
    start();
    stopClock();
    const std::vector<std::string> controls{"☐ Play", "☐ Record", "▣ Basic", "☐ Link", "BPM", "Volume"};

    for (const std::string& control : controls) {
        session.press({"Tab"});
        ASSERT_TRUE(session.waitFor(focusedOn(control)));
    }
    // Left lowers the focused Volume gauge, and Tab goes round to the input.
    session.press({"Left", "Left", "Tab"});
    session.type("ab");
    ASSERT_TRUE(session.waitFor(inputShowing("ab")));
    EXPECT_FALSE(session.screen().contains("Volume[█████████████]"));
    for (const std::string& control : controls) EXPECT_FALSE(focusedOn(control).holds(session.screen())) << control;

    for (auto control = controls.rbegin(); control != controls.rend(); ++control) {
        session.press({"BTab"});
        ASSERT_TRUE(session.waitFor(focusedOn(*control)));
    }
    session.press({"BTab"});
    session.type("c");
    ASSERT_TRUE(session.waitFor(inputShowing("abc")));

    // Tab and Space set Play again: the space goes to the box, not into the line.
    session.press({"Tab", "Space"});
    ASSERT_TRUE(session.waitFor(showing("▣ Play")));
    EXPECT_EQ(inputText(session.screen()), "abc");
}

TEST_F(EndToEnd, WhilePlayingTheFocusReturnsToTheInputAtTheNextStep) {
    start();
    command("bpm 40");  // steps of 0.75 s, long enough to see Play holding the focus
    // A step may come between the Tab and the capture; then the Tab is simply repeated.
    bool playFocused = false;
    for (int attempt = 0; attempt < 5 && !playFocused; ++attempt) {
        session.press({"Tab"});
        playFocused = session.waitFor(focusedOn("▣ Play"), std::chrono::seconds(1));
    }
    ASSERT_TRUE(playFocused) << session.screen().text();
    ASSERT_TRUE(session.waitFor(notFocusedOn("▣ Play")));
    // Had Play kept the focus, the space of this line would clear it.
    command("hh #");
    EXPECT_TRUE(session.screen().contains("▣ Play"));
    EXPECT_TRUE(session.screen().contains("> hh             1.00 &0"));
}

TEST_F(EndToEnd, TheCursorBlinksAtEveryStep) {
    start();
    command("kick #");
    session.type("hh");
    ASSERT_TRUE(session.waitFor(inputShowing("hh")));
    const Position input = inputPlace(session.screen());
    const auto cursorUnderlined = [input](bool underlined) {
        return Expectation{underlined ? "an underlined cursor" : "a plain cursor", [=](const Screen& screen) {
                               return inputText(screen) == "hh" &&
                                      screen.cell(input.row, input.column + 2).underlined == underlined;
                           }};
    };
    for (int blinks = 0; blinks < 2; ++blinks) {
        ASSERT_TRUE(session.waitFor(cursorUnderlined(true)));
        ASSERT_TRUE(session.waitFor(cursorUnderlined(false)));
    }
    EXPECT_FALSE(session.screen().cell(input.row, input.column).underlined) << "only the cursor cell blinks";
    EXPECT_TRUE(session.screen().cell(input.row, input.column).inverted) << "the focused input is inverted";
}

TEST_F(EndToEnd, BasicOffWidensTheNamesAndTheCells) {
    start();
    command("kick #-3-#");
    ASSERT_TRUE(session.waitFor(showing("> kick           1.00 &0")));
    stopClock();
    // Play, Record, Basic: the space clears Basic.
    session.press({"Tab", "Down", "Down", "Space"});
    ASSERT_TRUE(session.waitFor(showing("☐ Basic")));
    const std::string header = "> kick" + std::string(30 - 4 + 1, ' ') + "1.00 &0";
    ASSERT_TRUE(session.waitFor(showing(header)));

    const StepRow row = stepRow(session.screen(), header, 5);
    EXPECT_EQ(row.labels, (std::vector<std::string>{" #-3 ", " -   ", " #   ", " #-3 ", " -   ", " #   ", " #-3 ",
                                                    " -   "}));
    EXPECT_TRUE(row.allWhiteText);
    EXPECT_TRUE(row.highlighted) << "one whole cell of five on light grey\n" << session.screen().text();
}

TEST_F(EndToEnd, AStoredPartReplacesNoneInParts) {
    start();
    command("kick #-");
    command("=a");
    ASSERT_TRUE(session.waitFor({"Parts to list a", [](const Screen& screen) {
                                     return paneLines(screen, "Parts", 2) == std::vector<std::string>{"a", ""};
                                 }}));
}

TEST_F(EndToEnd, ACharacterBeyondTheBasicPlaneIsInsertedWhole) {
    start();
    session.type("x\U0001F941y");
    ASSERT_TRUE(session.waitFor(inputShowing("x\U0001F941y")));
    // One Backspace takes the whole character back out.
    session.press({"Left", "BSpace"});
    ASSERT_TRUE(session.waitFor(inputShowing("xy")));
}

TEST_F(EndToEnd, AResizedTerminalKeepsTheSettingsPaneEightRowsHigh) {
    start();
    session.resize(120, 30);
    ASSERT_TRUE(session.waitFor({"the redraw at 120 x 30", [](const Screen& screen) {
                                     return screen.rows() == 30 && screen.contains("┌Parts") &&
                                            screen.row(0).starts_with("┌Settings");
                                 }}));
    const auto parts = session.screen().find("┌Parts");
    EXPECT_EQ(parts->row, 8);
    EXPECT_EQ(parts->column, 0);
    EXPECT_TRUE(session.screen().contains("type 'help' for help"));
}

// The right-hand column gives way first, then the left-hand one; below 50 x 16 a notice
// stands alone. Typing goes on throughout, seen or not, and growing brings everything back.
TEST_F(EndToEnd, EveryTerminalSizeShowsWhatFitsAndTakesTyping) {
    struct Size {
        int columns;
        int rows;
        std::vector<std::string> shown;
        std::vector<std::string> hidden;
        std::string line;  // submitted at this size
    };
    const std::vector<std::string> panes{"┌Settings", "┌Parts", "┌Zaffo", "┌Sample Packs", "┌Samples"};
    const Size sizes[] = {
        {80, 24, {"┌Settings", "┌Parts", "┌Zaffo", "type 'help' for help"}, {"┌Samples"}, "kick #-"},
        {60, 20, {"┌Zaffo", "Command:"}, {"┌Settings", "┌Samples"}, "snare --#"},
        {40, 12, {"Zaffo needs at least 50x16;", "this terminal is 40x12"}, panes, "hh #"},
        {200, 60, panes, {"Zaffo needs"}, "oh -#"},
    };
    start();
    for (const Size& size : sizes) {
        session.resize(size.columns, size.rows);
        ASSERT_TRUE(session.waitFor({"the redraw at " + std::to_string(size.columns) + "x" + std::to_string(size.rows),
                                     [&](const Screen& screen) {
                                         return screen.rows() == size.rows &&
                                                std::all_of(size.shown.begin(), size.shown.end(),
                                                            [&](const std::string& text) { return screen.contains(text); });
                                     }}));
        for (const std::string& text : size.shown) EXPECT_TRUE(session.screen().contains(text)) << text;
        for (const std::string& text : size.hidden) EXPECT_FALSE(session.screen().contains(text)) << text;
        // Tab stays in the input once the settings are out of sight.
        if (size.columns < 72) session.press({"Tab"});
        session.submit(size.line);
        if (size.rows >= 16) {
            ASSERT_TRUE(session.waitFor(showing("> " + size.line)));
        }
    }
    for (const Size& size : sizes) EXPECT_TRUE(session.screen().contains("> " + size.line)) << size.line;
    EXPECT_TRUE(session.screen().contains("> hh             1.00 &0")) << "typed while only the notice showed";
}

TEST_F(EndToEnd, AnInvalidByteInTheInputBecomesOneReplacementAndTheRestIsKept) {
    start();
    session.type("save u");
    session.press({"-H", "ff"});
    session.type("AB");
    ASSERT_TRUE(session.waitFor(inputShowing("save u\uFFFDAB")));
}

TEST_F(EndToEnd, CtrlCEndsTheProgramWithZeroAndLeavesTheTerminalUsable) {
    start({}, "read line; echo \"GOT=$line\"");
    command("kick #-");
    session.press({"C-c"});
    ASSERT_TRUE(session.waitFor(showing("EXIT=0")));
    const Screen& ended = session.screen();
    const auto exitLine = ended.find("EXIT=0");
    EXPECT_EQ(ended.row(exitLine->row - 1), "hi!") << "back on the normal screen";
    EXPECT_FALSE(ended.contains("┌Zaffo"));

    // Echo and line editing are back: the typed line shows and arrives whole at Enter.
    session.type("hello");
    ASSERT_TRUE(session.waitFor(showing("hello")));
    session.press({"Enter"});
    ASSERT_TRUE(session.waitFor(showing("GOT=hello")));
}

TEST_F(EndToEnd, WithoutAnAudioDeviceTheScreenRunsAndTheHighlightStaysOnTheFirstStep) {
    start({"SDL_AUDIODRIVER=nosuchdriver"});
    command("kick #-");
    const std::string header = "> kick           1.00 &0";
    for (int captures = 0; captures < 5; ++captures) {
        ASSERT_TRUE(session.waitFor(showing(header)));
        EXPECT_EQ(stepRow(session.screen(), header, 3).highlighted, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // Standard output is behind the screen; the log says it where the musician looks.
    const auto notice = session.screen().find("No audio device: nothing will sound");
    ASSERT_TRUE(notice) << session.screen().text();
    EXPECT_EQ(session.screen().cell(notice->row, notice->column).foreground, red);
    session.press({"C-c"});
    ASSERT_TRUE(session.waitFor(showing("EXIT=0")));
    const auto exitLine = session.screen().find("EXIT=0");
    EXPECT_EQ(session.screen().row(exitLine->row - 1), "Failed to open playback device.") << session.screen().text();
}

// ---- Hostile files: each used to crash or hang the program.

// Forty thousand seconds at 375 Hz, in 52 KB of FLAC named like a WAV.
void writeLongFlac(const std::filesystem::path& path) {
    SF_INFO info{};
    info.samplerate = 375;
    info.channels = 1;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const std::vector<short> silence(375 * 1000);
    for (int i = 0; i < 40; ++i) sf_writef_short(file, silence.data(), static_cast<sf_count_t>(silence.size()));
    sf_close(file);
}

TEST_F(EndToEnd, AfterAHostileFileTheProgramStillAnswers) {
    using Folder = const std::filesystem::path&;
    const struct {
        const char* what;
        std::function<void(Folder)> setUp;
        std::string line;
        Expectation shown;
    } cases[] = {
        {"a document nested 50,000 deep",
         [](Folder folder) {
             std::ofstream deep(folder / "deep.json");
             for (int i = 0; i < 50000; ++i) deep << "{\"a\":";
             deep << 1 << std::string(50000, '}');
         },
         "load deep", showing("file not found :(")},
        {"a FIFO in the pack at start", [](Folder folder) { mkfifo((folder / "samples/default/x.wav").c_str(), 0600); },
         "use default", showing("Samples: ")},
        {"a long FLAC named boom.wav at start",
         [](Folder folder) { writeLongFlac(folder / "samples/default/boom.wav"); }, "use default",
         showing("Samples: ")},
        // The way out and back in again to the default pack selects no folder.
        {"a pack name that leaves the samples folder", [](Folder) {}, "use ../samples/default",
         {"no samples", [](const Screen& screen) {
              return screen.contains("> use ../samples/default") && paneLines(screen, "Samples", 1)[0].empty();
          }}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TmuxSession program;
        c.setUp(program.folder());
        program.start();
        ASSERT_TRUE(program.waitFor(firstScreen()));
        program.submit(c.line);
        EXPECT_TRUE(program.waitFor(c.shown));
        program.submit("bpm 99");
        EXPECT_TRUE(program.waitFor(showing("> bpm 99")));
    }
}

// ---- Sound: what the disk driver wrote, and what the recorder wrote.

// A short loud click that ends long before the next step, so every onset stands apart.
void writeClick(const std::filesystem::path& path) {
    SF_INFO info{};
    info.samplerate = 96000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const std::vector<float> click(100, 0.5f);
    sf_writef_float(file, click.data(), static_cast<sf_count_t>(click.size()));
    sf_close(file);
}

struct Onset {
    std::int64_t frame;
    std::int64_t length;  // frames until the next silence
};

// Stereo frames; an onset is the first sounding frame after at least a thousand silent ones.
std::vector<Onset> onsets(const std::vector<float>& samples) {
    std::vector<Onset> found;
    std::int64_t silent = 1000;
    const auto frames = static_cast<std::int64_t>(samples.size() / 2);
    for (std::int64_t f = 0; f < frames; ++f) {
        const bool sounding = samples[2 * f] != 0.0f || samples[2 * f + 1] != 0.0f;
        if (sounding) {
            if (silent >= 1000) found.push_back({f, 0});
            if (!found.empty()) found.back().length = f - found.back().frame + 1;
            silent = 0;
        } else {
            ++silent;
        }
    }
    return found;
}

std::vector<float> readRaw(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

// The first and last clicks may be cut by the start and the end of the file.
void expectStepApart(const std::vector<Onset>& found, std::int64_t frames) {
    for (std::size_t i = 1; i < found.size(); ++i) {
        EXPECT_EQ(found[i].frame - found[i - 1].frame, framesPerStep) << "between onsets " << i - 1 << " and " << i;
    }
    for (const Onset& onset : found) {
        if (onset.frame == 0 || onset.frame + 1000 > frames) continue;
        EXPECT_EQ(onset.length, 100) << "the click at frame " << onset.frame << " is played unchanged";
    }
}

TEST_F(EndToEnd, EveryStepSoundsExactlyOneStepLengthAfterThePrevious) {
    writeClick(session.folder() / "samples" / "default" / "click.wav");
    const auto output = session.folder() / "out.raw";
    start({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + output.string()});
    ASSERT_TRUE(session.screen().contains("click"));
    command("click #");

    // The disk driver writes in real time: wait for a dozen steps to have sounded.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (onsets(readRaw(output)).size() < 12 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    session.press({"C-c"});
    ASSERT_TRUE(session.waitFor(showing("EXIT=0")));

    const std::vector<float> samples = readRaw(output);
    const std::vector<Onset> found = onsets(samples);
    ASSERT_GE(found.size(), 12u);
    expectStepApart(found, static_cast<std::int64_t>(samples.size() / 2));
    for (const Onset& onset : found) {
        EXPECT_EQ(samples[2 * onset.frame], samples[2 * onset.frame + 1]) << "a mono sample sounds on both sides";
    }
}

TEST_F(EndToEnd, CtrlCCompletesTheRecordingInProgress) {
    writeClick(session.folder() / "samples" / "default" / "click.wav");
    start();
    command("click #");
    command("record start");
    // Let a few steps sound into the recording before the interrupt.
    const std::string header = "> click          1.00 &0";
    for (int moves = 0; moves < 4; ++moves) {
        ASSERT_TRUE(session.waitFor(showing(header)));
        const auto step = stepRow(session.screen(), header, 3).highlighted;
        ASSERT_TRUE(step);
        ASSERT_TRUE(session.waitFor(highlightMovedFrom(header, 3, *step)));
    }
    session.press({"C-c"});
    ASSERT_TRUE(session.waitFor(showing("EXIT=0")));

    std::vector<std::filesystem::path> recordings;
    for (const auto& entry : std::filesystem::directory_iterator(session.folder())) {
        if (entry.path().filename().string().starts_with("recording_")) recordings.push_back(entry.path());
    }
    ASSERT_EQ(recordings.size(), 1u);
    const auto size = std::filesystem::file_size(recordings[0]);
    std::ifstream in(recordings[0], std::ios::binary);
    char riff[12] = {};
    in.read(riff, sizeof riff);
    ASSERT_EQ(std::string(riff, 4), "RIFF");
    std::uint32_t chunk = 0;
    std::memcpy(&chunk, riff + 4, 4);
    EXPECT_EQ(chunk, size - 8) << "the header was finished";

    SF_INFO info{};
    SNDFILE* file = sf_open(recordings[0].c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.samplerate, 96000);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
    std::vector<float> samples(static_cast<std::size_t>(info.frames) * 2);
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    const std::vector<Onset> found = onsets(samples);
    EXPECT_GE(found.size(), 3u);
    expectStepApart(found, info.frames);
}

}  // namespace
}  // namespace zaffo::test
