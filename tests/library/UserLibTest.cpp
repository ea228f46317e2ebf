#include "library/PackReadme.h"
#include "library/PathParts.h"
#include "library/SampleUpdateListener.h"
#include "library/UserLib.h"

#include "tests/library/Recorder.h"

#include <filesystem>

#include <sys/stat.h>

namespace zaffo::testing {
namespace {

namespace fs = std::filesystem;

TEST(SplitPath, SplitsFolderNameAndLastExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/zaffo/zaffo", "/opt/zaffo|zaffo|"},
        {"zaffo", "|zaffo|"},
        {"C:\\music\\zaffo.exe", "C:/music|zaffo|exe"},
        {"samples/default/kick.wav", "samples/default|kick|wav"},
        {"a.b.mp3", "|a.b|mp3"},
        {"/x/.hidden", "/x||hidden"},
        {"/x/trailing.", "/x|trailing|"},
        {"/kick.wav", "|kick|wav"},
        {"", "||"},
    };
    for (const auto& [path, parts] : cases) {
        const PathParts split = splitPath(path);
        EXPECT_EQ(split.dir + "|" + split.name + "|" + split.ext, parts) << path;
    }
}

// Packs are the folders of the samples folder, by character value, shown even when their names
// are not UTF-8; compositions are the json files beside it; samples are the lower-case wav and
// mp3 files directly in the pack that are not recordings.
TEST(UserLib, ListsPacksCompositionsAndTheSamplesOfThePackItWatches) {
    TempFolder base;
    act(base.path(),
        "mkdir samples/alpha; mkdir samples/Zeta; mkdir samples/caf\xC3\xA9; mkdir samples/bad\xFF; write "
        "samples/loose.wav; write samples/inside.json; write song.json; write Beat.json; write notes.txt; write "
        "odd\xFE.json");
    const std::string p = base / "samples/default";
    act(p,
        "mkdir sub; write sub/deep.wav; write kick.wav; write kick.mp3; write Snare.WAV; write hat.mp3; write "
        "notes.txt; write kick; write recording_2024.wav; write my_recording_.wav");
    UserLib lib(base / "samples");
    EXPECT_EQ(*lib.packNames(), (UserLib::PackList{L"Zeta", L"alpha", L"bad\uFFFD", L"caf\u00E9", L"default"}));
    EXPECT_GT(lib.rootWatchId(), 0);
    EXPECT_EQ(lib.listCompositionNames(), (std::vector<std::wstring>{L"Beat", L"odd\uFFFD", L"song"}));
    lib.watchPack(base / "missing");
    EXPECT_TRUE(lib.samplePaths().empty());
    EXPECT_LT(lib.sampleWatchId(), 0);
    lib.watchPack(p);
    EXPECT_EQ(lib.samplePaths(),
              (std::vector<std::string>{p + "/hat.mp3", p + "/kick.mp3", p + "/kick.wav", p + "/my_recording_.wav"}));
    EXPECT_GT(lib.sampleWatchId(), 0);

    // What no watcher sends is said to be impossible.
    ::testing::internal::CaptureStdout();
    SampleUpdateListener(lib).handleFileAction(lib.sampleWatchId(), p + "/", "d.wav", static_cast<FileAction>(7), "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Should never happen!\n");

    UserLib none(base / "nowhere");
    EXPECT_TRUE(none.packNames()->empty());
    EXPECT_LT(none.rootWatchId(), 0);
}

// The lines before the first empty one are shown, up to 64 KiB of them; a readme that is no
// regular file shows nothing.
TEST(PackReadme, ShowsTheFirstParagraphOfWhateverIsThere) {
    std::string megabyte;
    for (int i = 0; i < (1 << 19); ++i) megabyte += "x\n";
    const struct {
        std::string text;
        const char* other;  // made instead of the text: "fifo", "link" to a fifo, "folder", "none"
        std::vector<std::wstring> shown;
    } cases[] = {
        {"first\nsecond\n\nhidden\n", "", {L"first", L"second"}},
        {"one\r\nbad \xC3\r\n\r\nhidden\r\n", "", {L"one", L"bad \uFFFD"}},
        {"only\nlines", "", {L"only", L"lines"}},
        {megabyte, "", std::vector<std::wstring>(32768, L"x")},
        {"", "none", {}},
        {"", "fifo", {}},
        {"", "link", {}},
        {"", "folder", {}},
    };
    for (const auto& c : cases) {
        TempFolder p;
        const std::string other = c.other, readme = p / "readme.txt";
        if (other.empty()) writeFile(readme, c.text);
        if (other == "fifo" || other == "link") ::mkfifo((readme + (other == "link" ? ".fifo" : "")).c_str(), 0600);
        if (other == "link") fs::create_symlink(readme + ".fifo", readme);
        if (other == "folder") fs::create_directory(readme);
        EXPECT_EQ(readPackReadme(p.path()), c.shown) << c.text.substr(0, 20) << other;
    }
}

}  // namespace
}  // namespace zaffo::testing
