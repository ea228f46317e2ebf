// The real program in a real terminal, typed with tmux send-keys and read with capture-pane.
#include "tests/support/SoundFiles.h"
#include "tests/support/Tmux.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

namespace zaffo::test {
namespace {

constexpr int red = 1, grayLight = 7;
constexpr std::int64_t framesPerStep = 24000;  // half a beat at 120 beats per minute, 96000 frames a second

// Onsets (after 1000 silent frames) a step apart, each the 100-frame click whole on both sides unless the file's start
// or end cuts it. Returns how many there were.
std::size_t expectClicksStepApart(const std::vector<float>& samples) {
    std::vector<std::int64_t> onsets, lengths;  // lengths: frames until the next silence
    const auto frames = static_cast<std::int64_t>(samples.size() / 2);
    for (std::int64_t f = 0, silent = 1000; f < frames; ++f, ++silent) {
        if (samples[2 * f] == 0.0f && samples[2 * f + 1] == 0.0f) continue;
        if (silent >= 1000) {
            onsets.push_back(f);
            lengths.push_back(0);
            EXPECT_EQ(samples[2 * f], samples[2 * f + 1]) << "a mono sample sounds on both sides";
        }
        lengths.back() = f - onsets.back() + 1;
        silent = -1;
    }
    for (std::size_t i = 1; i < onsets.size(); ++i)
        EXPECT_EQ(onsets[i] - onsets[i - 1], framesPerStep) << "between onsets " << i - 1 << " and " << i;
    for (std::size_t i = 0; i < onsets.size(); ++i)
        EXPECT_TRUE(onsets[i] == 0 || onsets[i] + 1000 >= frames || lengths[i] == 100)
            << lengths[i] << " frames at " << onsets[i];
    return onsets.size();
}

std::vector<float> readRaw(const std::filesystem::path& path) {
    const std::string bytes = testing::readFile(path);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

// The real program over a private copy of it and its samples, so that each test has its own base folder.
class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const std::filesystem::path binary = ZAFFO_BINARY;
        std::filesystem::copy_file(binary, session.folder() / "zaffo");
        std::filesystem::copy(binary.parent_path() / "samples", session.folder() / "samples",
                              std::filesystem::copy_options::recursive);
        std::filesystem::create_directory(runtime);
        // A short loud click that ends long before the next step, so every onset stands apart.
        ASSERT_TRUE(writeSoundFile(session.folder() / "samples/default/click.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                                   96000, 1, 100, [](auto, int) { return 0.5f; }));
    }

    // Runs the program with extra settings ("NAME=value ..."), its command socket in the test's own folder; when it
    // ends, the shell prints "EXIT=<status>" and waits (bash, unlike dash, survives the Ctrl+C the program handled).
    void start(const std::string& environment = "") {
        session.start("env SDL_AUDIODRIVER=dummy LANG=C.UTF-8 LC_ALL=C.UTF-8 XDG_RUNTIME_DIR=" + runtime + " " +
                      environment + " ./zaffo; echo \"EXIT=$?\"; read");
        // The first screen is drawn in one go, but a capture may still fall between two writes.
        ASSERT_TRUE(session.waitFor("the first screen", [](const Screen& screen) {
            return screen.contains("type 'help' for help") && screen.contains("Samples") && screen.contains("Volume") &&
                   screen.contains("tom");
        }));
    }

    static std::string inputText(const Screen& screen) {
        return screen.textAt(screen.find("Command:").first + 1, screen.find("Command:").second, 48);
    }

    // Submits a line that must succeed: its echo appears in the log and the input empties.
    void command(const std::string& line) {
        session.submit(line);
        ASSERT_TRUE(session.waitFor("\"" + line + "\" to be taken", [line](const Screen& screen) {
            return screen.contains("> " + line) && inputText(screen).empty();
        }));
    }

    // The first step lit light grey under an instrument's header, or -1.
    static int litStep(const Screen& screen, const std::string& header) {
        const auto [row, column] = screen.find(header);
        for (int step = 0; row >= 0 && step < 8; ++step)
            if (screen.cell(row + 1, column + 3 * step).background == grayLight) return step;
        return -1;
    }

    std::vector<std::filesystem::path> takes() const {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(session.folder()))
            if (entry.path().filename().string().starts_with("recording_")) found.push_back(entry.path());
        return found;
    }

    // Without a sound card a silent device keeps time: a take grows in real time (six steps of stereo floats) and
    // holds the clicks that played, a step apart to the frame.
    void expectTimeKeptAndRecorded() {
        for (const char* line : {"click #", "record start"}) command(line);
        ASSERT_EQ(takes().size(), 1u);
        const std::filesystem::path take = takes()[0];
        ASSERT_TRUE(waitUntil([&] { return std::filesystem::file_size(take) > 6 * framesPerStep * 8; },
                              std::chrono::seconds(20)));
        command("record stop");
        EXPECT_GE(expectClicksStepApart(readSoundFile(take.string()).samples), 5u);
    }

    void expectKeysAndMouseWork() {
        command("kick #-");
        // Keys as tmux names them, or bytes, and the input after each: a stray byte is one replacement character,
        // drawn as "?" on this ASCII screen. Left at the start keeps the focus: nothing typed after it goes astray.
        const std::pair<const char*, const char*> keys[] = {
            {"-l kc", "kc"},   {"Left", "kc"},        {"-l i", "kic"},
            {"End", "kic"},    {"-l kx", "kickx"},    {"BSpace", "kick"},
            {"Home", "kick"},  {"DC", "ick"},         {"-l k", "kick"},
            {"Right", "kick"}, {"-H ff", "ki?ck"},    {"BSpace", "kick"},
            {"End", "kick"},   {"-l ' #'", "kick #"}, {"Enter", ""},
            {"Up", "kick #"},  {"Down", ""},          {"-l 'kick hh'", "kick hh"},
            {"C-w", "kick"},   {"C-a", "kick"},       {"Left", "kick"},
            {"-l x", "xkick"}, {"C-k", "x"},          {"C-e", "x"},
            {"-l y", "xy"},    {"Left", "xy"},        {"C-u", "y"},
            {"Escape", ""},
        };
        for (const auto& [key, input] : keys) {
            session.press(key);
            EXPECT_TRUE(session.waitFor(std::string("the input to read ") + input, [&](const Screen& screen) {
                return inputText(screen) == input;
            })) << key;
        }
        // Two clicks on Play's box (press and release in one write, the classic way) each stop or start the clock and
        // take the focus; the Tab after the first, while the clock stands, moves it on, drawn inverted.
        const auto [box, left] = session.screen().find("x Play");
        char at[16];
        std::snprintf(at, sizeof at, " %x %x", left + 33, box + 33);
        const std::string click = std::string("-H 1b 5b 4d 20") + at + " 1b 5b 4d 23" + at;
        session.press(click + " 09");
        EXPECT_TRUE(session.waitFor("Record to take the focus", [](const Screen& screen) {
            const auto [row, column] = screen.find("Record");
            return row >= 0 && screen.cell(row, column).inverted && screen.contains("- Play");
        }));
        session.press(click);
        EXPECT_TRUE(session.waitFor("x Play"));
    }

    TmuxSession session;
    const std::string runtime = session.folder() / "run";  // the command socket's folder
};

TEST_F(EndToEnd, WithoutAnAudioDeviceTimeIsKeptKeysAndTheMouseWorkAndEveryWayOutGivesTheTerminalBack) {
    for (const std::string way : {"C-c", "TERM", "HUP"}) {
        SCOPED_TRACE(way);
        start("SDL_AUDIODRIVER=nosuchdriver LC_ALL=C LANG=C");
        // Standard output is behind the screen: the log says it where the musician looks, with the driver tried.
        const auto [row, column] = session.screen().find("No sound card: time and takes go on silently");
        ASSERT_GE(row, 0) << session.screen().text();
        EXPECT_EQ(session.screen().cell(row, column).foreground, red);
        EXPECT_EQ(session.screen().find("SDL tried nosuchdriver: ").first, row + 1) << session.screen().text();
        if (way == "C-c") expectTimeKeptAndRecorded(), expectKeysAndMouseWork(), session.press(way);
        if (way != "C-c") session.signalCommand(way);
        ASSERT_TRUE(session.waitFor("EXIT=0"));
        EXPECT_NE(session.screen().text().find("hi!\nFailed to open playback device.\nEXIT=0\n"), std::string::npos)
            << "back on the normal screen";
        session.press("-l typed-back");
        EXPECT_TRUE(session.waitFor("typed-back")) << "the terminal echoes again";
    }
}

// At 80x24, with eight colours or none and no UTF-8: plain ASCII, and the current step stands out, in colour or in
// reverse video.
TEST_F(EndToEnd, EveryTerminalShowsTheTempoTheHiddenInstrumentsAndTheCurrentStep) {
    for (const std::string term : {"linux", "vt100"}) {
        SCOPED_TRACE(term);
        // ncurses loads GPM on the Linux console: only the slow unwinder traces its leak to tests/lsan.supp.
        const std::string leaks = "LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}fast_unwind_on_malloc=0 ";
        session.start(
            "env SDL_AUDIODRIVER=dummy LANG=C LC_ALL=C TERM=" + term + " " + leaks + "./zaffo; echo \"EXIT=$?\"; read",
            80, 24);
        ASSERT_TRUE(session.waitFor("+Zaffo"));
        command("bpm 132");
        ASSERT_TRUE(session.waitFor("the tempo as a number", [](const Screen& screen) {
            const auto [row, column] = screen.find("BPM");
            return row >= 0 && screen.textAt(row, column, 21).ends_with("] 132");
        }));
        for (const char* line : {".", "kick snare hh clap oh tom rim #"}) command(line);
        ASSERT_TRUE(session.waitFor("... 4 more instruments")) << session.screen().text();
        const Screen screen = session.screen();
        const std::string text = screen.text();
        EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c > 0; })) << "ASCII only: " << text;
        // Step cells by colours and reverse video: the current step looks unlike the other seven, and readable.
        const auto [row, column] = screen.find("> kick           1.00");
        std::map<std::tuple<int, int, bool>, int> looks;
        for (int step = 0; step < 8; ++step) {
            const Cell cell = screen.cell(row + 1, column + 3 * step + 1);
            ++looks[{cell.foreground, cell.background, cell.inverted}];
        }
        const auto lit = std::find_if(looks.begin(), looks.end(), [](const auto& look) { return look.second == 1; });
        ASSERT_TRUE(looks.size() == 2 && lit != looks.end()) << text;
        EXPECT_TRUE(std::get<2>(lit->first) || std::get<0>(lit->first) != std::get<1>(lit->first));
        session.press("C-c");
        ASSERT_TRUE(session.waitFor("EXIT=0"));
    }
}

// The disk driver plays in real time: while it writes, the screen follows the clock.
TEST_F(EndToEnd, EveryStepSoundsAndShowsOneStepAfterThePreviousAResizeRedrawsAndCtrlCCompletesTheRecording) {
    const auto output = session.folder() / "out.raw";
    start("SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + output.string());
    EXPECT_FALSE(session.screen().contains("hi!")) << "the greeting belongs to the normal screen";
    for (const char* line : {".", "click #", "record start", ">"}) command(line);
    const std::size_t before = readRaw(output).size();
    for (int moves = 0; moves < 2; ++moves) {
        const int step = litStep(session.screen(), "> click  ");
        ASSERT_GE(step, 0) << session.screen().text();
        ASSERT_TRUE(session.waitFor("the highlight to leave step " + std::to_string(step), [&](const Screen& screen) {
            return litStep(screen, "> click  ") >= 0 && litStep(screen, "> click  ") != step;
        }));
    }
    // What shows at each size is tested on the screen alone; here the program follows the window.
    session.resize(40, 12);
    ASSERT_TRUE(session.waitFor("this terminal is 40x12"));
    session.resize(200, 50);
    ASSERT_TRUE(session.waitFor("┌Samples"));
    // Wait for a dozen steps to have sounded.
    ASSERT_TRUE(
        waitUntil([&] { return readRaw(output).size() > before + 2 * 13 * framesPerStep; }, std::chrono::seconds(20)));
    session.press("C-c");
    ASSERT_TRUE(session.waitFor("EXIT=0"));
    EXPECT_GE(expectClicksStepApart(readRaw(output)), 12u);

    ASSERT_EQ(takes().size(), 1u);
    const std::string take = testing::readFile(takes()[0]);
    std::uint32_t riffSize = 0;
    std::memcpy(&riffSize, take.data() + 4, 4);
    EXPECT_TRUE(take.starts_with("RIFF") && riffSize == take.size() - 8) << "the header was finished";
    EXPECT_GT(take.size(), 12 * framesPerStep * 8) << "stereo floats";
}

// The decoder's complaints about a damaged MP3 never reach the screen; a samples folder moved away and restored, as a
// backup does it, is followed again.
TEST_F(EndToEnd, ADamagedPackLeavesTheScreenWholeAndARestoredSamplesFolderIsFollowed) {
    std::string mp3 = testing::readFile(session.folder() / "samples/tarvik/kick.mp3");
    ASSERT_GT(mp3.size(), 2000u);
    for (std::size_t at = 600; at < mp3.size(); at += 397) {
        mp3[at] = static_cast<char>(mp3[at] ^ 0xFF);
        mp3[std::min(at + 1, mp3.size() - 1)] ^= 0x5A;
    }
    std::filesystem::create_directory(session.folder() / "samples/damaged");
    testing::writeFile(session.folder() / "samples/damaged/bad.mp3", mp3);
    start();
    command("use damaged");
    command("use damaged");
    const Screen screen = session.screen();
    EXPECT_TRUE(screen.row(0).starts_with("┌Settings")) << screen.text();
    EXPECT_TRUE(screen.row(screen.rows() - 1).starts_with("└")) << screen.text();
    EXPECT_FALSE(screen.contains("Note:") || screen.contains("MPEG")) << screen.text();

    const std::filesystem::path samples = session.folder() / "samples", backup = session.folder() / "samples.bak";
    std::filesystem::rename(samples, backup);
    std::filesystem::copy(backup, samples, std::filesystem::copy_options::recursive);
    std::filesystem::create_directory(samples / "fresh");
    EXPECT_TRUE(session.waitFor("│  fresh"));
}

TEST_F(EndToEnd, SentLinesRunInThePlayingZaffoInOrderAndTheSenderPrintsTheirAnswers) {
    const std::string send = "cd " + session.folder().string() + " && XDG_RUNTIME_DIR=" + runtime + " ./zaffo send ";
    EXPECT_EQ(runShell(send + "help 2>&1"), std::make_pair(std::string("zaffo: no running Zaffo to send to\n"), 2));
    start();
    // What is sent, what the sender prints from its start, its status, what the screen shows afterwards.
    const std::tuple<std::string, std::string, int, std::string> cases[] = {
        {"'kick #-#-'", "", 0, "> kick           1.00 &0"},
        {"help", "Use one of the following: \nhelp samples   help pitch     help parts\n", 0, "> help"},
        {"'xyz #-' 'snare #'", "pattern not found: xyz", 1, "> snare          1.00 &0"},
        {"< lines", "", 0, "> clap #"},
        {"\"$(printf 'oh #\\n\\ncowbell #')\"", "", 0, "> cowbell #"},
    };
    testing::writeFile(session.folder() / "lines", "hh #\r\nrim #\nclap #\n");
    for (const auto& [arguments, begins, status, shown] : cases) {
        SCOPED_TRACE(arguments);
        const auto [printed, exited] = runShell(send + arguments);
        EXPECT_TRUE(printed.starts_with(begins)) << printed;
        EXPECT_EQ(printed.find('\x1b'), std::string::npos) << "no colours into a pipe";
        EXPECT_EQ(exited, status);
        EXPECT_TRUE(session.waitFor(shown));
    }
    // The failed line's error is red in the log; the lines from standard input ran in their order.
    const Screen& screen = session.screen();
    const auto [errorRow, errorColumn] = screen.find("pattern not found: xyz");
    EXPECT_EQ(screen.cell(errorRow, errorColumn).foreground, red);
    EXPECT_LT(screen.find("> hh #").first, screen.find("> rim #").first);
    EXPECT_LT(screen.find("> rim #").first, screen.find("> clap #").first);
    EXPECT_LT(screen.find("> oh #").first, screen.find("> cowbell #").first) << "a selection goes line by line";
    session.press("Up");
    EXPECT_TRUE(session.waitFor("the last sent line in the input",
                                [](const Screen& screen) { return inputText(screen) == "cowbell #"; }));
}

}  // namespace
}  // namespace zaffo::test
