// The real program in a real terminal: typed with tmux send-keys, read with capture-pane. What
// needs no terminal or sound card is tested on an App in the other programs.
#include "tests/app/TmuxSession.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace zaffo::test {
namespace {

using Rows = std::vector<std::string>;

constexpr int red = 1, grayLight = 7;
constexpr std::int64_t framesPerStep = 24000;  // half a beat at 120 beats per minute, 96000 frames a second

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TmuxSession::available()) GTEST_SKIP() << "tmux is not installed";
    }

    void start(const std::string& environment = "", const std::string& afterExit = "") {
        session.start(environment, afterExit);
        // The first screen is drawn in one go, but a capture may still fall between two writes.
        ASSERT_TRUE(session.waitFor("the first screen", [](const Screen& screen) {
            return screen.contains("type 'help' for help") && screen.contains("┌Samples") &&
                   screen.contains("Volume") && screen.contains("tom");
        }));
    }

    // The row under "Command:" is the input, the one below it the error line.
    static std::pair<int, int> inputPlace(const Screen& screen, int rowsDown = 1) {
        return {screen.find("Command:").first + rowsDown, screen.find("Command:").second};
    }
    static std::string inputText(const Screen& screen, int rowsDown = 1) {
        return screen.textAt(inputPlace(screen, rowsDown).first, inputPlace(screen).second, 48);
    }
    ::testing::AssertionResult inputShows(const std::string& text) {
        return session.waitFor("the input to hold \"" + text + "\"",
                               [text](const Screen& screen) { return inputText(screen) == text; });
    }

    // Submits a line that must succeed: its echo appears in the log and the input empties.
    void command(const std::string& line) {
        session.submit(line);
        ASSERT_TRUE(session.waitFor("\"" + line + "\" to be taken", [line](const Screen& screen) {
            return screen.contains("> " + line) && inputText(screen).empty();
        }));
    }

    // Clears Play. A step that the clock posted just before it stopped still pulls the focus to
    // the input once; a key typed and erased afterwards is handled after that step.
    void stopClock() {
        command(".");
        ASSERT_TRUE(session.waitFor("☐ Play"));
        session.type("z");
        ASSERT_TRUE(inputShows("z"));
        session.press("BSpace");
        ASSERT_TRUE(inputShows(""));
    }

    // The first step lit light grey under an instrument's header, or -1.
    static int litStep(const Screen& screen, const std::string& header) {
        const auto [row, column] = screen.find(header);
        for (int step = 0; row >= 0 && step < 8; ++step)
            if (screen.cell(row + 1, column + 3 * step).background == grayLight) return step;
        return -1;
    }

    // The library draws the focused check box or slider label inverted.
    ::testing::AssertionResult focusOn(const std::string& label, bool focused = true,
                                       std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        return session.waitFor(
            label + (focused ? " focused" : " not focused"),
            [&](const Screen& screen) {
                const auto [row, column] = screen.find(label);
                return row >= 0 && screen.cell(row, column).inverted == focused;
            },
            deadline);
    }

    TmuxSession session;
};

TEST_F(EndToEnd, TheHighlightAndTheCursorMoveWithEveryStepButNotInAMutedInstrument) {
    start();
    for (const char* line : {"kick #-", "snare #", ". snare"}) command(line);
    session.type("hh");
    ASSERT_TRUE(inputShows("hh"));
    for (int moves = 0; moves < 2; ++moves) {
        const int step = litStep(session.screen(), "> kick  ");
        ASSERT_GE(step, 0) << session.screen().text();
        ASSERT_TRUE(session.waitFor("the highlight to leave step " + std::to_string(step), [&](const Screen& screen) {
            return litStep(screen, "> kick  ") >= 0 && litStep(screen, "> kick  ") != step;
        }));
        EXPECT_EQ(litStep(session.screen(), ". snare          1.00"), -1);
    }
    const auto [row, column] = inputPlace(session.screen());
    for (bool underlined : {true, false, true, false}) {
        ASSERT_TRUE(session.waitFor(underlined ? "an underlined cursor" : "a plain cursor", [&](const Screen& screen) {
            return screen.cell(row, column + 2).underlined == underlined;
        }));
    }
    EXPECT_FALSE(session.screen().cell(row, column).underlined) << "only the cursor cell blinks";
    EXPECT_TRUE(session.screen().cell(row, column).inverted) << "the focused input is inverted";
}

TEST_F(EndToEnd, KeysEditTheLineAndAFailedOneStaysWithItsErrorOnRed) {
    start();
    EXPECT_FALSE(session.screen().contains("hi!")) << "the greeting belongs to the normal screen";
    const auto [hint, hintColumn] = session.screen().find("type 'help' for help");
    EXPECT_TRUE(session.screen().cell(hint, hintColumn).bold);
    session.submit("kick xyz #-");
    ASSERT_TRUE(session.waitFor("pattern not found: xyz"));
    EXPECT_EQ(inputText(session.screen(), 2), "pattern not found: xyz");
    const auto [row, column] = inputPlace(session.screen(), 2);
    EXPECT_EQ(session.screen().cell(row, column).background, red);
    // Each row: tmux keys, or text to type after "-l", and what the input then holds.
    const std::pair<std::string, std::string> keys[] = {
        {"Home Right Right Right Right Right DC DC DC DC", "kick #-"},
        {"Enter", ""},
        {"Up", "kick #-"},
        {"Down", ""},
        {"-l x\U0001F941y", "x\U0001F941y"},  // beyond the basic plane, inserted whole
        {"Left BSpace", "xy"},
    };
    for (const auto& [pressed, shown] : keys) {
        session.press(pressed);
        ASSERT_TRUE(inputShows(shown)) << pressed;
    }
    EXPECT_TRUE(session.screen().contains("> kick #-"));
    EXPECT_EQ(inputText(session.screen(), 2), "") << "the error went with the next good line";
    EXPECT_NE(session.screen().cell(row, column).background, red);
}

TEST_F(EndToEnd, TheFocusGoesRoundWithTabAndShiftTabAndWhilePlayingReturnsToTheInputAtTheNextStep) {
    start();
    command("bpm 40");  // steps of 0.75 s, long enough to see Play holding the focus
    // A step may come between the Tab and the capture; then the Tab is simply repeated.
    bool focused = false;
    for (int attempt = 0; attempt < 5 && !focused; ++attempt) {
        session.press("Tab");
        focused = focusOn("▣ Play", true, std::chrono::seconds(1));
    }
    ASSERT_TRUE(focused) << session.screen().text();
    ASSERT_TRUE(focusOn("▣ Play", false));
    command("hh #");  // had Play kept the focus, the space of this line would clear it
    EXPECT_TRUE(session.screen().contains("▣ Play"));

    stopClock();
    const Rows controls{"☐ Play", "☐ Record", "▣ Basic", "☐ Link", "BPM", "Volume"};
    for (const std::string& control : controls) {
        session.press("Tab");
        ASSERT_TRUE(focusOn(control));
    }
    // Left lowers the focused Volume, and Tab goes round to the input.
    session.press("Left Left Tab");
    command("volume");
    ASSERT_TRUE(session.waitFor("0.900000"));
    for (auto control = controls.rbegin(); control != controls.rend(); ++control) {
        session.press("BTab");
        ASSERT_TRUE(focusOn(*control));
    }
    session.press("BTab");
    session.type("ab");
    ASSERT_TRUE(inputShows("ab"));
    // Tab and Space set Play again: the space goes to the box, not into the line.
    session.press("Tab Space");
    ASSERT_TRUE(session.waitFor("▣ Play"));
    EXPECT_EQ(inputText(session.screen()), "ab");
}

// The right-hand column gives way first, then the left-hand one; below 50 x 16 a notice stands
// alone. The settings pane keeps eight rows. Typing goes on throughout, seen or not, and
// growing brings everything back.
TEST_F(EndToEnd, EveryTerminalSizeShowsWhatFitsAndTakesTyping) {
    const Rows panes{"┌Settings", "┌Parts", "┌Zaffo", "┌Sample Packs", "┌Samples"};
    const struct {
        int columns, rows;
        Rows shown, hidden;
        std::string line;  // submitted at this size
    } sizes[] = {
        {80, 24, {"┌Settings", "┌Parts", "┌Zaffo", "type 'help' for help"}, {"┌Samples"}, "kick #-"},
        {60, 20, {"┌Zaffo", "Command:"}, {"┌Settings", "┌Samples"}, "snare --#"},
        {40, 12, {"Zaffo needs at least 50x16;", "this terminal is 40x12"}, panes, "hh #"},
        {200, 60, panes, {"Zaffo needs"}, "oh -#"},
    };
    start();
    for (const auto& size : sizes) {
        session.resize(size.columns, size.rows);
        ASSERT_TRUE(session.waitFor("the redraw at " + std::to_string(size.columns), [&](const Screen& screen) {
            return screen.rows() == size.rows &&
                   std::all_of(size.shown.begin(), size.shown.end(), [&](auto& text) { return screen.contains(text); });
        }));
        for (const std::string& text : size.hidden) EXPECT_FALSE(session.screen().contains(text)) << text;
        if (session.screen().contains("┌Settings")) {
            EXPECT_EQ(session.screen().find("┌Parts"), (std::pair{8, 0}));
        }
        // Tab stays in the input once the settings are out of sight.
        if (size.columns < 72) session.press("Tab");
        session.submit(size.line);
        if (size.rows >= 16) {
            ASSERT_TRUE(session.waitFor("> " + size.line));
        }
    }
    for (const auto& size : sizes) EXPECT_TRUE(session.screen().contains("> " + size.line)) << size.line;
    EXPECT_TRUE(session.screen().contains("> hh             1.00 &0")) << "typed while only the notice showed";
}

TEST_F(EndToEnd, WithoutAnAudioDeviceTheScreenRunsAndCtrlCLeavesAUsableTerminal) {
    start("SDL_AUDIODRIVER=nosuchdriver", "read line; echo \"GOT=$line\"");
    command("kick #-");
    std::this_thread::sleep_for(std::chrono::milliseconds(600));  // more than two steps at 120
    ASSERT_TRUE(session.waitFor("> kick  "));
    EXPECT_EQ(litStep(session.screen(), "> kick  "), 0) << "the clock stands";
    // Standard output is behind the screen; the log says it where the musician looks.
    const auto [row, column] = session.screen().find("No audio device: nothing will sound");
    ASSERT_GE(row, 0) << session.screen().text();
    EXPECT_EQ(session.screen().cell(row, column).foreground, red);

    session.press("C-c");
    ASSERT_TRUE(session.waitFor("EXIT=0"));
    const int exitRow = session.screen().find("EXIT=0").first;
    EXPECT_EQ(session.screen().row(exitRow - 1), "Failed to open playback device.");
    EXPECT_EQ(session.screen().row(exitRow - 2), "hi!") << "back on the normal screen";
    EXPECT_FALSE(session.screen().contains("┌Zaffo"));
    // Echo and line editing are back: the typed line shows and arrives whole at Enter.
    session.type("hello");
    ASSERT_TRUE(session.waitFor("hello"));
    session.press("Enter");
    ASSERT_TRUE(session.waitFor("GOT=hello"));
}

// ---- Sound: what the disk driver wrote, and what the recorder wrote.

struct Onset {
    std::int64_t frame;
    std::int64_t length;  // frames until the next silence
};

// Stereo frames; an onset is the first sounding frame after at least a thousand silent ones.
// Each must begin a step after the one before, and sound the click unchanged, on both sides
// alike; the first and last may be cut by the start and the end of the file.
std::vector<Onset> expectClicksStepApart(const std::vector<float>& samples) {
    std::vector<Onset> found;
    std::int64_t silent = 1000;
    const auto frames = static_cast<std::int64_t>(samples.size() / 2);
    for (std::int64_t f = 0; f < frames; ++f, ++silent) {
        if (samples[2 * f] == 0.0f && samples[2 * f + 1] == 0.0f) continue;
        if (silent >= 1000) {
            found.push_back({f, 0});
            EXPECT_EQ(samples[2 * f], samples[2 * f + 1]) << "a mono sample sounds on both sides";
        }
        found.back().length = f - found.back().frame + 1;
        silent = -1;
    }
    for (std::size_t i = 1; i < found.size(); ++i)
        EXPECT_EQ(found[i].frame - found[i - 1].frame, framesPerStep) << "between onsets " << i - 1 << " and " << i;
    for (const Onset& onset : found)
        if (onset.frame > 0 && onset.frame + 1000 < frames) {
            EXPECT_EQ(onset.length, 100) << onset.frame;
        }
    return found;
}

std::vector<float> readRaw(const std::filesystem::path& path) {
    const std::string bytes = testing::readFile(path);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

TEST_F(EndToEnd, EveryStepSoundsOneStepAfterThePreviousAndCtrlCCompletesTheRecording) {
    // A short loud click that ends long before the next step, so every onset stands apart.
    SF_INFO info{0, 96000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* click = sf_open((session.folder() / "samples/default/click.wav").c_str(), SFM_WRITE, &info);
    const std::vector<float> loud(100, 0.5f);
    sf_writef_float(click, loud.data(), 100);
    sf_close(click);
    const auto output = session.folder() / "out.raw";
    start("SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + output.string());
    command("click #");
    command("record start");
    // The disk driver writes in real time: wait for a dozen steps to have sounded.
    const std::size_t before = readRaw(output).size();
    ASSERT_TRUE(
        waitUntil([&] { return readRaw(output).size() > before + 2 * 13 * framesPerStep; }, std::chrono::seconds(20)));
    session.press("C-c");
    ASSERT_TRUE(session.waitFor("EXIT=0"));
    EXPECT_GE(expectClicksStepApart(readRaw(output)).size(), 12u);

    std::vector<std::filesystem::path> recordings;
    for (const auto& entry : std::filesystem::directory_iterator(session.folder()))
        if (entry.path().filename().string().starts_with("recording_")) recordings.push_back(entry.path());
    ASSERT_EQ(recordings.size(), 1u);
    const std::string bytes = testing::readFile(recordings[0]);
    std::uint32_t riffSize = 0;
    std::memcpy(&riffSize, bytes.data() + 4, 4);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(riffSize, bytes.size() - 8) << "the header was finished";
    SNDFILE* file = sf_open(recordings[0].c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.samplerate, 96000);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
    EXPECT_GT(info.frames, 12 * framesPerStep);
    sf_close(file);
}

}  // namespace
}  // namespace zaffo::test
