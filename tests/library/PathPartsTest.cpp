#include "library/PathParts.h"

#include <gtest/gtest.h>

namespace zaffo {
namespace {

struct SplitCase {
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
};

TEST(SplitPath, SplitsFolderNameAndLastExtension) {
    const SplitCase cases[] = {
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
        PathParts parts = splitPath(c.path);
        EXPECT_EQ(parts.dir, c.dir) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
        EXPECT_EQ(parts.ext, c.ext) << c.path;
    }
}

TEST(IsSampleFile, AcceptsOnlyLowerCaseWavAndMp3ThatAreNotRecordings) {
    EXPECT_TRUE(isSampleFile(splitPath("kick.wav")));
    EXPECT_TRUE(isSampleFile(splitPath("kick.mp3")));
    EXPECT_FALSE(isSampleFile(splitPath("kick.WAV")));
    EXPECT_FALSE(isSampleFile(splitPath("kick.txt")));
    EXPECT_FALSE(isSampleFile(splitPath("kick")));
    EXPECT_FALSE(isSampleFile(splitPath("recording_2026-01-01.10_00_00.wav")));
    EXPECT_TRUE(isSampleFile(splitPath("my_recording_.wav")));
}

}  // namespace
}  // namespace zaffo
