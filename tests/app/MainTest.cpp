// The program's command line, run as a separate process in a folder of its own.

#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

namespace zaffo::testing {
namespace {

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
        {"", 0, "hi!\n", false},  // no terminal to show the screen on
        {"render song --measures 1", 0, "song.wav: 2.0 s", true},
        {"render song.json --parts a:1,a:1 --seed 3", 0, "song.wav: 5.3 s", true},
        {"render song --output other.wav", 0, "other.wav: 8.0 s", false},
        {"render missing", 1, "error: no composition named missing\n", false},
        {"render song --parts a:1,b:2", 1, "error: no part named b in song.json\n", false},
        {"render song --output no/such/folder.wav", 1, "error: cannot write no/such/folder.wav: No such file", false},
        {"render song", 1, "error: cannot write song.wav: File too large\n", false, "trap '' XFSZ; ulimit -f 100; "},
        {"render song --measures 0", 2,
         "error: --measures needs a whole number from 1 to 100000, not \"0\"\n\nusage:", false},
        {"render song --measures x", 2, "error: --measures needs a whole number", false},
        {"render song --parts a", 2, "error: --parts needs NAME:MEASURES", false},
        {"render song --measures", 2, "error: --measures needs a value", false},
        {"render song --loud", 2, "error: unknown option --loud", false},
        {"render", 2, "error: render needs a composition", false},
        {"play song", 2, "error: unknown command play", false},
        {"--version", 0, "zaffo 0.", false},
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
}

TEST_F(CommandLine, CtrlCStopsTheRenderAndRemovesItsFile) {
    const auto [output, status] =
        shell("{ " + zaffo + " render song --measures 100000 2>&1 & sleep 0.5; kill -INT $!; wait $!; }");
    EXPECT_EQ(status, 130);
    EXPECT_EQ(output, "error: interrupted; nothing written\n");
    EXPECT_TRUE(onlySong());
}

}  // namespace
}  // namespace zaffo::testing
