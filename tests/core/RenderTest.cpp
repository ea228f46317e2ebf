// Rendering a composition offline through the App's own clock and engine, and the program's
// command line, run as a separate process in a folder of its own.

#include "CoreFixture.h"

#include "audio/WavFile.h"
#include "core/OfflineRender.h"
#include "tests/support/Shell.h"

#include <iterator>
#include <thread>

namespace zaffo::testing {
namespace {

using Frames = std::vector<int64_t>;

class RenderTest : public CoreTest {
protected:
    // The left channel of the sections rendered from the live state.
    std::vector<float> renderLeft(const std::vector<RenderSection>& sections) {
        const std::string path = base + "/out.wav";
        WavFile file;
        EXPECT_TRUE(file.create(path));
        EXPECT_EQ(renderSections(*core, sections, file, [](double) { return true; }), RenderOutcome::done);
        file.close();
        const std::vector<float> frames = test::readSoundFile(path).samples;
        std::vector<float> left;
        std::filesystem::remove(path);
        for (size_t i = 0; i < frames.size(); i += 2) left.push_back(frames[i]);
        return left;
    }

    // Frames where the level rises: where a hit begins.
    static Frames onsets(const std::vector<float>& left) {
        Frames found;
        for (size_t i = 0; i < left.size(); ++i)
            if (left[i] > (i ? left[i - 1] : 0.0f)) found.push_back(static_cast<int64_t>(i));
        return found;
    }

    static Frames everyStep(int steps) {  // at 120 beats per minute
        Frames frames;
        for (int i = 0; i < steps; ++i) frames.push_back(i * 24000);
        return frames;
    }
};

TEST_F(RenderTest, HitsLandOnTheirStepsToTheFrameAndTheTailRingsOut) {
    writeWav(pack("default") + "/long.wav", 30000);  // 6000 frames longer than a step at 120
    start();
    ASSERT_TRUE(run("kick ########").ok);
    for (int measures : {1, 3}) {
        SCOPED_TRACE(measures);
        ASSERT_TRUE(run("long --------").ok);
        std::vector<float> left = renderLeft({{"", measures}});
        EXPECT_EQ(renderLeft({{"", measures}}), left) << "the same every time";
        EXPECT_EQ(left.size(), measures * 192000u);
        EXPECT_EQ(onsets(left), everyStep(8 * measures));

        ASSERT_TRUE(run("long -------#").ok);
        left = renderLeft({{"", measures}});
        EXPECT_EQ(left.size(), measures * 192000u + 6000);
        EXPECT_EQ(onsets(left), everyStep(8 * measures));
        EXPECT_EQ(left.back(), 0.5f) << "the tail ends with the sound";
    }
}

// Offline the core starts no thread and no inotify instance: while it renders, the process has no thread more than
// before the core was made (the decoders that loaded the pack have ended; a sanitizer may keep one of its own) and
// watches nothing.
TEST_F(RenderTest, OfflineTheRenderRunsOnTheCallingThreadAloneAndWatchesNothing) {
    const auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                             std::filesystem::directory_iterator());
    };
    const auto watching = [] {
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            if (std::filesystem::read_symlink(fd.path(), error).string() == "anon_inode:inotify") return true;
        }
        return false;
    };
    std::thread([] {}).join();  // a sanitizer starts a thread of its own with the first one made
    const std::ptrdiff_t before = threads();
    start(Core::Mode::offline);
    ASSERT_TRUE(run("kick #-#5").ok);
    WavFile file;
    ASSERT_TRUE(file.create(base + "/out.wav"));
    std::ptrdiff_t most = 0;
    bool watched = false;
    EXPECT_EQ(renderSections(*core, {{"", 4}}, file,
                             [&](double) {
                                 most = std::max(most, threads());
                                 watched = watched || watching();
                                 return true;
                             }),
              RenderOutcome::done);
    EXPECT_EQ(std::pair(most, watched), std::pair(before, false));
}

// A folder with a composition of one part, "a", to render from.
class CommandLine : public ::testing::Test {
protected:
    CommandLine() {
        writeFile(folder / "song.json",
                  R"({"bpm": 120, "activeInstruments": [{"name": "kick", "rawPattern": "#---", "volume": 1}],)"
                  R"( "parts": {"a": {"bpm": 90, "instrumentCollection": {}}}})");
    }

    // What the shell line says on both outputs, and its exit status.
    std::pair<std::string, int> shell(const std::string& line) {
        return test::runShell("cd " + folder.path() + " && " + line);
    }

    // Whether nothing but the composition is left in the folder.
    bool onlySong() const {
        return std::filesystem::exists(folder / "song.json") &&
               std::distance(std::filesystem::directory_iterator(folder.path()), {}) == 1;
    }

    TempFolder folder;
    const std::string zaffo = ZAFFO_BINARY;
};

TEST_F(CommandLine, EachCommandLineEndsAsItShould) {
    struct Case {
        const char* arguments;
        int status;
        const char* output;  // how what the program says begins
        bool writesSong;
        const char* shellFirst = "";
    };
    const Case cases[] = {
        {"", 1, "hi!\n", false},  // no terminal to show the screen on: an error
        {"render song --measures 1", 0, "song.wav: 2.0 s", true},
        {"render song.json --parts a:1,a:1 --seed 3", 0, "song.wav: 5.3 s", true},
        {"render song --output other.wav", 0, "other.wav: 8.0 s", false},
        {"render missing", 1, "zaffo: no composition named missing\n", false},
        {"render song --parts a:1,b:2", 1, "zaffo: no part named b in song.json\n", false},
        {"render song -o no/such/folder.wav", 1, "zaffo: cannot write no/such/folder.wav: No such file", false},
        {"render song", 1, "zaffo: cannot write song.wav: File too large\n", false, "trap '' XFSZ; ulimit -f 100; "},
        {"render song --measures 0", 2,
         "zaffo: --measures needs a whole number from 1 to 100000, not \"0\"\nTry 'zaffo --help'.\n", false},
        {"render song --parts a", 2, "zaffo: --parts needs NAME:MEASURES", false},
        {"render song --measures", 2, "zaffo: --measures needs a value\nTry 'zaffo --help'.\n", false},
        {"render song --loud", 2, "zaffo: unknown option --loud\nTry 'zaffo --help'.\n", false},
        {"render song -o", 2, "zaffo: --output needs a value\n", false},
        {"render", 2, "zaffo: render needs a composition\n", false},
        {"play song", 2, "zaffo: unknown command play\nTry 'zaffo --help'.\n", false},
        {"-x", 2, "zaffo: unknown option -x\nTry 'zaffo --help'.\n", false},
        {"--version", 0, "zaffo 0.", false},
        {"-V", 0, "zaffo 0.", false},
        {"render song -oother.wav --measures 1", 0, "other.wav: 2.0 s", false},
        {"render song --help", 0, "usage: zaffo\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto [output, status] = shell(c.shellFirst + zaffo + " " + c.arguments + " 2>&1 </dev/null");
        EXPECT_EQ(status, c.status);
        EXPECT_TRUE(output.starts_with(c.output)) << output;
        EXPECT_EQ(std::filesystem::exists(folder / "song.wav"), c.writesSong);
        std::filesystem::remove(folder / "song.wav");
        std::filesystem::remove(folder / "other.wav");
        EXPECT_TRUE(onlySong()) << "nothing left behind";
    }
    const std::string usage = shell(zaffo + " -h").first;
    for (std::size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 79u) << usage.substr(start, end - start);
}

// What the output names decides how the render reaches it: a file, or the target of a link, is replaced by a whole
// new one, the link kept; a FIFO, a character device and standard output are written into and stay what they are; a
// folder is refused and left alone. Each line ends with a check that what was there is still of its kind.
TEST_F(CommandLine, EachKindOfOutputGetsTheRenderAsItCanAndNothingIsReplacedByAFile) {
    const std::string render = zaffo + " render song --measures 1 --output ";
    ASSERT_EQ(shell(render + "plain.wav").second, 0);
    const std::string wav = readFile(folder / "plain.wav");
    const std::pair<std::string, std::string> cases[] = {
        {"echo old >target.wav; ln -s target.wav link.wav; R link.wav >/dev/null && test -L link.wav && cat target.wav",
         wav},
        {"mkfifo f.wav; R f.wav >/dev/null & cat f.wav; wait $! && test -p f.wav", wav},
        {"R - 2>/dev/null", wav},
        {"R /dev/stdout 2>/dev/null | cat", wav},
        {"ln -s /dev/null null.wav; R null.wav && test -c /dev/null", "null.wav: 2.0 s\n"},
        {"mkdir d.wav; R d.wav 2>&1; echo $?; test -d d.wav", "zaffo: cannot write d.wav: it is a folder\n1\n"},
    };
    for (auto [line, expected] : cases) {
        for (std::size_t at; (at = line.find("R ")) != std::string::npos;) line.replace(at, 2, render);
        const auto [output, status] = shell(line);
        EXPECT_EQ(status, 0) << line;
        EXPECT_TRUE(output == expected) << line << ": " << output.size() << " bytes";
    }
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("zaffo-render-")) << "left behind";
}

// FNV-1a over the bytes: a fingerprint of a whole file.
std::uint64_t fingerprint(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
    return hash;
}

// Parts cued at their own tempos, pitches and shuffles from a seed, with the bundled default pack: the very bytes that
// this render has always written. A change of the clock's order of events or of the mix shows here.
TEST_F(CommandLine, ASmallCompositionRendersToTheSameBytesAsEver) {
    writeFile(folder / "small.json", R"({"bpm": 120, "activeInstruments": [
        {"name": "kick", "rawPattern": "#-#5-", "volume": 1}, {"name": "hh", "rawPattern": "##-#", "volume": 0.5, "rand": 2},
        {"name": "snare", "rawPattern": "--#-2-", "volume": 0.8}], "parts": {
      "a": {"bpm": 100, "instrumentCollection": [{"name": "kick", "rawPattern": "#-#5-", "volume": 1},
                                                 {"name": "hh", "rawPattern": "##-#", "volume": 0.5, "rand": 1}]},
      "b": {"bpm": 140, "instrumentCollection": [{"name": "snare", "rawPattern": "#7-#-12", "volume": 0.8, "rand": 1},
                                                 {"name": "hh", "rawPattern": "#-3", "volume": 0.4}]}}})");
    ASSERT_EQ(shell(zaffo + " render small --parts a:2,b:2 --seed 7"), std::pair(std::string("small.wav: 8.5 s\n"), 0));
    const std::string bytes = readFile(folder / "small.wav");
    EXPECT_EQ(std::pair(bytes.size(), fingerprint(bytes)),
              std::pair(std::size_t{6528008}, std::uint64_t{0x2ae8a47c0768ecd9}));
    ASSERT_EQ(shell(zaffo + " render small --parts a:2,b:2 --seed 8").second, 0);
    EXPECT_NE(readFile(folder / "small.wav"), bytes) << "another seed, other shuffles";
}

TEST_F(CommandLine, CtrlCStopsTheRenderAndRemovesItsFile) {
    const auto [output, status] = shell(
        "{ " + zaffo + " render song --measures 100000 2>&1 & " +
        // Once the file is being written the render listens for Ctrl+C; before, a background job ignores it.
        "for i in $(seq 600); do ls *.partial >/dev/null 2>&1 && break; sleep 0.05; done; kill -INT $!; wait $!; }");
    EXPECT_EQ(status, 130);
    EXPECT_EQ(output, "zaffo: interrupted; nothing written\n");
    EXPECT_TRUE(onlySong());
}

}  // namespace
}  // namespace zaffo::testing
