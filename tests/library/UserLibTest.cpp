#include "library/PackReadme.h"
#include "library/PathParts.h"
#include "library/SamplePackUpdateListener.h"
#include "library/SampleUpdateListener.h"
#include "library/UserLib.h"
#include "text/Utf8.h"

#include "tests/library/Recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>

namespace zaffo {
namespace {

using testing::act;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

TEST(SplitPath, SplitsFolderNameAndLastExtension) {
    const struct {
        const char *path, *dir, *name, *ext;
    } cases[] = {
        {"/opt/zaffo/zaffo", "/opt/zaffo", "zaffo", ""},
        {"zaffo", "", "zaffo", ""},
        {"C:\\music\\zaffo.exe", "C:/music", "zaffo", "exe"},
        {"samples/default/kick.wav", "samples/default", "kick", "wav"},
        {"a.b.mp3", "", "a.b", "mp3"},
        {"/x/.hidden", "/x", "", "hidden"},
        {"/x/trailing.", "/x", "trailing", ""},
        {"/kick.wav", "", "kick", "wav"},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        const PathParts parts = splitPath(c.path);
        EXPECT_EQ(parts.dir + "|" + parts.name + "|" + parts.ext, std::string(c.dir) + "|" + c.name + "|" + c.ext)
            << c.path;
    }
}

TEST(DecodeUtf8, KeepsValidTextAndReplacesEachBrokenSequence) {
    EXPECT_EQ(toWide("\xE2\x99\xAA \xF0\x9F\xA5\x81"), L"\u266A \U0001F941");
    EXPECT_EQ(toWide("a\xFF"
                         "b"),
              L"a\uFFFDb");
    EXPECT_EQ(toWide("cut \xE2\x99"), L"cut \uFFFD");  // truncated at the end
    EXPECT_EQ(toWide("\xED\xA0\x80"), L"\uFFFD");      // a UTF-16 surrogate
}

// Packs are the folders of the samples folder, by character value, their names shown even when
// they are not UTF-8; compositions are the json files beside it.
TEST(UserLib, ListsPacksAndCompositions) {
    TempFolder base;
    for (const char* op :
         {"mkdir samples/default", "mkdir samples/alpha", "mkdir samples/Zeta", "mkdir samples/caf\xC3\xA9",
          "mkdir samples/bad\xFF", "write samples/loose.wav", "write samples/inside.json", "write song.json",
          "write Beat.json", "write notes.txt", "write odd\xFE.json"})
        act(base.path(), op);
    UserLib lib(base / "samples");
    EXPECT_EQ(*lib.packNames(), (UserLib::PackList{L"Zeta", L"alpha", L"bad\uFFFD", L"caf\u00E9", L"default"}));
    EXPECT_GT(lib.rootWatchId(), 0);
    EXPECT_EQ(lib.listCompositionNames(), (std::vector<std::wstring>{L"Beat", L"odd\uFFFD", L"song"}));

    UserLib none(base / "nowhere");
    EXPECT_TRUE(none.packNames()->empty());
    EXPECT_LT(none.rootWatchId(), 0);
}

// Samples are the lower-case wav and mp3 files directly in the pack that are not recordings.
TEST(UserLib, ListsTheSamplesOfThePackItWatches) {
    TempFolder base;
    const std::string p = base / "default";
    for (const char* op :
         {"mkdir default/sub", "write default/sub/deep.wav", "write default/kick.wav", "write default/kick.mp3",
          "write default/Snare.WAV", "write default/hat.mp3", "write default/notes.txt", "write default/kick",
          "write default/recording_2024.wav", "write default/my_recording_.wav"})
        act(base.path(), op);
    UserLib lib(base.path());
    lib.watchPack(base / "missing");
    EXPECT_TRUE(lib.samplePaths().empty());
    EXPECT_LT(lib.sampleWatchId(), 0);
    lib.watchPack(p);
    EXPECT_EQ(lib.samplePaths(),
              (std::vector<std::string>{p + "/hat.mp3", p + "/kick.mp3", p + "/kick.wav", p + "/my_recording_.wav"}));
    EXPECT_GT(lib.sampleWatchId(), 0);
}

// The listeners also cope with an action that no watcher sends.
TEST(UserLib, ListenersTakeAnUnknownActionAsAChangeOfThePacksOrComplain) {
    TempFolder base;
    const std::string samples = base / "samples";
    UserLib lib(samples);  // not there yet: unwatched, so only the listener can rescan
    fs::create_directories(samples + "/quiet");
    SamplePackUpdateListener(lib).handleFileAction(1, samples + "/", "quiet", static_cast<FileAction>(42), "");
    EXPECT_EQ(*lib.packNames(), (UserLib::PackList{L"quiet"}));
    ::testing::internal::CaptureStdout();
    SampleUpdateListener(lib).handleFileAction(lib.sampleWatchId(), "/p/", "d.wav", static_cast<FileAction>(7), "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Should never happen!\n");
}

// The lines before the first empty one are shown; a readme that is no regular file shows nothing.
TEST(PackReadme, ShowsTheFirstParagraphOfWhateverIsThere) {
    auto text = [](std::string content) { return [=](const std::string& path) { writeFile(path, content); }; };
    std::string megabyte;
    for (int i = 0; i < (1 << 19); ++i) megabyte += "x\n";
    const struct {
        const char* what;
        std::function<void(const std::string& path)> make;
        std::vector<std::wstring> shown;
    } cases[] = {
        {"two paragraphs", text("first\nsecond\n\nhidden\n"), {L"first", L"second"}},
        {"crlf and broken text", text("one\r\nbad \xC3\r\n\r\nhidden\r\n"), {L"one", L"bad \uFFFD"}},
        {"no empty line", text("only\nlines"), {L"only", L"lines"}},
        {"nothing", [](const std::string&) {}, {}},
        {"a FIFO", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); }, {}},
        {"a link to a FIFO",
         [](const std::string& path) {
             ::mkfifo((path + ".fifo").c_str(), 0600);
             fs::create_symlink(path + ".fifo", path);
         },
         {}},
        {"a folder", [](const std::string& path) { fs::create_directory(path); }, {}},
        {"a megabyte of lines, cut at 64 KiB", text(megabyte), std::vector<std::wstring>(32768, L"x")},
    };
    for (const auto& c : cases) {
        TempFolder p;
        c.make(p / "readme.txt");
        EXPECT_EQ(readPackReadme(p.path()), c.shown) << c.what;
    }
}

}  // namespace
}  // namespace zaffo
