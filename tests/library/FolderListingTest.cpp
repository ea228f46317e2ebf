#include "library/FolderListing.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace zaffo {
namespace {

using testing::TempFolder;
using testing::writeFile;

TEST(ListFolder, ListsOneLevelWithFolderFlags) {
    TempFolder root;
    writeFile(root / "kick.wav", "x");
    std::filesystem::create_directories(root / "pack/inner");
    writeFile(root / "pack/inner/deep.wav", "x");

    auto entries = listFolder(root.path());
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "kick.wav");
    EXPECT_FALSE(entries[0].isFolder);
    EXPECT_TRUE(entries[0].isReadable);
    EXPECT_EQ(entries[1].name, "pack");
    EXPECT_TRUE(entries[1].isFolder);
}

TEST(ListFolder, MissingFolderOrFileGivesNothing) {
    TempFolder root;
    writeFile(root / "file", "x");
    EXPECT_TRUE(listFolder(root / "missing").empty());
    EXPECT_TRUE(listFolder(root / "file").empty());
}

}  // namespace
}  // namespace zaffo
