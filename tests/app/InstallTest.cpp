// Installing into the program's own folder, again and again, over what the musician keeps there.
#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace zaffo::testing {
namespace {

using test::runShell;

std::string copyKeepingChanges(const std::string& from, const std::string& to) {
    return runShell(std::string(CMAKE_COMMAND) + " -DZAFFO_FROM=" + from + " -DZAFFO_TO=" + to + " -P " +
                    ZAFFO_COPY_SCRIPT + " 2>&1")
        .first;
}

TEST(Install, ASecondCopyUpdatesWhatIsBundledAndKeepsWhatTheMusicianSavedOrChanged) {
    // The file; its first and second bundled versions ("": not bundled); what the musician writes between the copies
    // ("": nothing, "->": a link to the first); what is there at the end ("": none); whether the copy said it kept it.
    const std::tuple<const char*, const char*, const char*, const char*, const char*, bool> cases[] = {
        {"same.txt", "a", "a", "", "a", false},
        {"samples/p/updated.wav", "a", "b", "", "b", false},
        {"samples/p/changed.wav", "a", "b", "mine", "mine", true},
        {"demo.json", "a", "a", "mine", "mine", true},
        {"changedBack.json", "a", "b", "b", "b", false},
        {"new.json", "", "b", "", "b", false},
        {"song.json", "", "", "mine", "mine", false},
        {"savedUnderABundledName.json", "", "b", "mine", "mine", true},
        {"samples/p/dropped.wav", "a", "", "", "", false},
        {"samples/p/droppedButChanged.wav", "a", "", "mine", "mine", true},
        {"linked.json", "a", "b", "->", "a", true},
    };
    TempFolder first, second, folder;
    for (const auto& [file, inFirst, inSecond, musician, end, saidKept] : cases) {
        for (auto [bundle, content] : {std::pair{&first, inFirst}, std::pair{&second, inSecond}}) {
            if (*content == '\0') continue;
            std::filesystem::create_directories(std::filesystem::path(*bundle / file).parent_path());
            writeFile(*bundle / file, content);
        }
    }
    copyKeepingChanges(first.path(), folder.path());
    for (const auto& [file, inFirst, inSecond, musician, end, saidKept] : cases) {
        if (std::string(musician) == "->") {
            writeFile(folder / "target", inFirst);
            std::filesystem::remove(folder / file);
            std::filesystem::create_symlink(folder / "target", folder / file);
        } else if (*musician != '\0') {
            writeFile(folder / file, musician);
        }
    }
    const std::string said = copyKeepingChanges(second.path(), folder.path());
    for (const auto& [file, inFirst, inSecond, musician, end, saidKept] : cases) {
        SCOPED_TRACE(file);
        EXPECT_EQ(std::filesystem::exists(folder / file), *end != '\0');
        EXPECT_EQ(readFile(folder / file), end);
        EXPECT_EQ(said.find("Kept " + std::string(file) + " as you") != std::string::npos, saidKept) << said;
    }
}

// The real install twice into one folder, then the program started through a link elsewhere.
TEST(Install, TheInstalledProgramKeepsTheSongsAndPlaysThroughALink) {
    TempFolder prefix, elsewhere;
    const std::string install =
        std::string(CMAKE_COMMAND) + " --install " + ZAFFO_BUILD_DIR + " --prefix " + prefix.path() + " 2>&1";
    ASSERT_EQ(runShell(install).second, 0);
    const std::string demo = readFile(prefix / "demo.json");
    ASSERT_FALSE(demo.empty());
    writeFile(prefix / "song.json", demo);
    writeFile(prefix / "demo.json", demo + " ");
    std::filesystem::remove(prefix / "samples/default/readme.txt");
    const auto [said, status] = runShell(install);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(prefix / "demo.json"), demo + " ") << said;
    EXPECT_TRUE(std::filesystem::exists(prefix / "samples/default/readme.txt"));

    std::filesystem::create_symlink(prefix / "zaffo", elsewhere / "zaffo");
    const auto [rendered, renderStatus] =
        runShell("cd " + elsewhere.path() + " && ./zaffo render song --measures 1 --output take.wav 2>&1");
    EXPECT_EQ(renderStatus, 0) << rendered;
    EXPECT_GT(std::filesystem::file_size(elsewhere / "take.wav"), 96000u) << "the song's samples were found";
}

}  // namespace
}  // namespace zaffo::testing
