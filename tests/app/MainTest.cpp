#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <sys/wait.h>

namespace {

struct Outcome {
    std::string output;
    int status;
};

Outcome runProgram(const std::string& command) {
    Outcome outcome{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return outcome;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe)) outcome.output += buffer.data();
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

TEST(Main, GreetsFirstAndExitsWithZero) {
    Outcome outcome = runProgram(std::string(ZAFFO_BINARY) + " </dev/null");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_TRUE(outcome.output.starts_with("hi!\n")) << outcome.output;
}

// A folder with a composition of one part, "a", to render from.
class RenderCommandLine : public ::testing::Test {
protected:
    RenderCommandLine() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zaffo-main-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        std::ofstream(folder + "/song.json")
            << R"({"bpm": 120, "activeInstruments": [{"name": "kick", "rawPattern": "#---", "volume": 1}],)"
            << R"( "parts": {"a": {"bpm": 90, "instrumentCollection": {}}}})";
    }
    ~RenderCommandLine() override { std::filesystem::remove_all(folder); }

    Outcome zaffo(const std::string& arguments, const std::string& shellFirst = "") {
        return runProgram("cd " + folder + " && " + shellFirst + ZAFFO_BINARY + " " + arguments + " 2>&1 </dev/null");
    }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder;
};

TEST_F(RenderCommandLine, EachCommandLineEndsAsItShould) {
    struct Case {
        const char* arguments;
        int status;
        const char* output;  // how what the program says begins
        bool writesSong;
        const char* shellFirst = "";
    };
    const Case cases[] = {
        {"render song --measures 1", 0, "song.wav: 2.0 s", true},
        {"render song.json --parts a:1,a:1 --seed 3", 0, "song.wav: 5.3 s", true},
        {"render song --output other.wav", 0, "other.wav: 8.0 s", false},
        {"render missing", 1, "error: no composition named missing\n", false},
        {"render song --parts a:1,b:2", 1, "error: no part named b in song.json\n", false},
        {"render song --output no/such/folder.wav", 1, "error: cannot write no/such/folder.wav: No such file", false},
        {"render song", 1, "error: cannot write song.wav: File too large\n", false, "trap '' XFSZ; ulimit -f 100; "},
        {"render song --measures 0", 2, "error: --measures needs a whole number from 1 to 100000, not \"0\"\n\nusage:",
         false},
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
        const Outcome outcome = zaffo(c.arguments, c.shellFirst);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_TRUE(outcome.output.starts_with(c.output)) << outcome.output;
        EXPECT_EQ(std::filesystem::exists(folder + "/song.wav"), c.writesSong);
        std::filesystem::remove(folder + "/song.wav");
        std::filesystem::remove(folder + "/other.wav");
        EXPECT_EQ(files(), (std::vector<std::string>{"song.json"})) << "nothing left behind";
    }
}

TEST_F(RenderCommandLine, CtrlCStopsTheRenderAndRemovesItsFile) {
    const Outcome outcome = runProgram("cd " + folder + " && { " + ZAFFO_BINARY +
                                       " render song --measures 100000 2>&1 & sleep 0.5; kill -INT $!; wait $!; }");
    EXPECT_EQ(outcome.status, 130);
    EXPECT_EQ(outcome.output, "error: interrupted; nothing written\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"song.json"}));
}

}  // namespace
