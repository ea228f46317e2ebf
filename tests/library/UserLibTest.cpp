#include "library/PackReadme.h"
#include "library/UserLib.h"
#include "text/Utf8.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>

namespace zaffo {
namespace {

using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

class UserLibTest : public ::testing::Test {
protected:
    UserLibTest() { fs::create_directory(samples()); }
    std::string samples() const { return base / "samples"; }
    std::string pack(const std::string& name) const { return samples() + "/" + name; }
    std::string makePack(const std::string& name) const {
        fs::create_directory(pack(name));
        return pack(name);
    }

    TempFolder base;
};

// --- Packs ------------------------------------------------------------------------------------

TEST_F(UserLibTest, PacksAreTheFoldersSortedByCharacterValue) {
    makePack("default");
    makePack("alpha");
    makePack("Zeta");
    writeFile(samples() + "/loose.wav", "x");
    UserLib lib(samples());
    EXPECT_EQ(*lib.packNames(), (UserLib::PackList{L"Zeta", L"alpha", L"default"}));
    EXPECT_GT(lib.rootWatchId(), 0);
}

TEST_F(UserLibTest, PackNameThatIsNotUtf8IsShownWithReplacementCharacter) {
    makePack("caf\xC3\xA9");
    makePack("bad\xFF");
    UserLib lib(samples());
    EXPECT_EQ(*lib.packNames(), (UserLib::PackList{L"bad\uFFFD", L"caf\u00E9"}));
}

TEST_F(UserLibTest, MissingSamplesFolderGivesNoPacksAndNoWatch) {
    UserLib lib(base / "nowhere");
    EXPECT_TRUE(lib.packNames()->empty());
    EXPECT_LT(lib.rootWatchId(), 0);
}

// --- Sample files of a pack -------------------------------------------------------------------

TEST_F(UserLibTest, OnlyLowerCaseWavAndMp3FilesThatAreNotRecordingsAreSamples) {
    const std::string p = makePack("default");
    for (const char* name : {"kick.wav", "Snare.WAV", "hat.mp3", "notes.txt", "recording_2024.wav"}) {
        writeFile(p + "/" + name, "x");
    }
    fs::create_directories(p + "/sub");
    writeFile(p + "/sub/deep.wav", "x");
    UserLib lib(samples());
    lib.watchPack(p);
    EXPECT_EQ(lib.samplePaths(), (std::vector<std::string>{p + "/hat.mp3", p + "/kick.wav"}));
    EXPECT_GT(lib.sampleWatchId(), 0);
}

TEST_F(UserLibTest, WavAndMp3OfOneNameAreBothListedWithTheWavLast) {
    const std::string p = makePack("default");
    writeFile(p + "/kick.wav", "x");
    writeFile(p + "/kick.mp3", "x");
    UserLib lib(samples());
    lib.watchPack(p);
    EXPECT_EQ(lib.samplePaths(), (std::vector<std::string>{p + "/kick.mp3", p + "/kick.wav"}));
}

TEST_F(UserLibTest, MissingPackGivesNoSamplesAndSwitchingOnStillWorks) {
    const std::string p = makePack("default");
    writeFile(p + "/kick.wav", "x");
    UserLib lib(samples());
    lib.watchPack(pack("missing"));
    EXPECT_TRUE(lib.samplePaths().empty());
    EXPECT_LT(lib.sampleWatchId(), 0);
    lib.watchPack(p);
    EXPECT_EQ(lib.samplePaths(), (std::vector<std::string>{p + "/kick.wav"}));
}

// --- Compositions -----------------------------------------------------------------------------

TEST_F(UserLibTest, CompositionsAreTheJsonFilesBesideTheSamplesFolder) {
    writeFile(base / "song.json", "{}");
    writeFile(base / "Beat.json", "{}");
    writeFile(base / "notes.txt", "");
    writeFile(base / "odd\xFE.json", "{}");
    writeFile(samples() + "/inside.json", "{}");
    UserLib lib(samples());
    EXPECT_EQ(lib.listCompositionNames(),
              (std::vector<std::wstring>{L"Beat", L"odd\uFFFD", L"song"}));
}

// --- Text -------------------------------------------------------------------------------------

TEST(DecodeUtf8, KeepsValidTextAndReplacesEachBrokenSequence) {
    EXPECT_EQ(toWide("kick"), L"kick");
    EXPECT_EQ(toWide("\xE2\x99\xAA \xF0\x9F\xA5\x81"), L"\u266A \U0001F941");
    EXPECT_EQ(toWide("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(toWide("cut \xE2\x99"), L"cut \uFFFD");            // truncated at the end
    EXPECT_EQ(toWide("\xED\xA0\x80"), L"\uFFFD");                // a UTF-16 surrogate
    EXPECT_EQ(toWide(""), L"");
}

TEST(PackReadme, ShowsTheLinesBeforeTheFirstEmptyLine) {
    TempFolder p;
    writeFile(p / "readme.txt", "first\nsecond\n\nhidden\n");
    EXPECT_EQ(readPackReadme(p.path()), (std::vector<std::wstring>{L"first", L"second"}));
}

TEST(PackReadme, ReadsCrlfFilesAndBrokenTextWithoutFailing) {
    TempFolder p;
    writeFile(p / "readme.txt", "one\r\nbad \xC3\r\n\r\nhidden\r\n");
    EXPECT_EQ(readPackReadme(p.path()), (std::vector<std::wstring>{L"one", L"bad \uFFFD"}));
}

TEST(PackReadme, MissingReadmeShowsNothingAndOneWithoutEmptyLineIsShownWhole) {
    TempFolder p;
    EXPECT_TRUE(readPackReadme(p.path()).empty());
    writeFile(p / "readme.txt", "only\nlines");
    EXPECT_EQ(readPackReadme(p.path()), (std::vector<std::wstring>{L"only", L"lines"}));
}

TEST(PackReadme, AReadmeThatIsNoRegularFileShowsNothingAndAHugeOneIsCut) {
    const struct {
        const char* what;
        std::function<void(const std::string& path)> make;
        std::size_t lines;
    } cases[] = {
        {"a FIFO", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); }, 0},
        {"a link to a FIFO",
         [](const std::string& path) {
             ::mkfifo((path + ".fifo").c_str(), 0600);
             fs::create_symlink(path + ".fifo", path);
         },
         0},
        {"a folder", [](const std::string& path) { fs::create_directory(path); }, 0},
        {"a megabyte of lines",
         [](const std::string& path) {
             std::string text;
             for (int i = 0; i < (1 << 19); ++i) text += "x\n";
             writeFile(path, text);
         },
         32768},
    };
    for (const auto& c : cases) {
        TempFolder p;
        c.make(p / "readme.txt");
        EXPECT_EQ(readPackReadme(p.path()).size(), c.lines) << c.what;
    }
}

}  // namespace
}  // namespace zaffo
