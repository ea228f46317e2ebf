#include "AppFixture.h"

namespace zaffo::testing {
namespace {

TEST_F(AppTest, SavingWritesTheCompositionWithItsPackBesideAndAFailedSaveKeepsTheOldFile) {
    start();
    run("kick #-#5-");
    ASSERT_TRUE(run("save song").ok);
    const std::string saved = readFile(base + "/song.json");
    EXPECT_NE(saved.find("\"samplePack\": \"default\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"patternRaw\": \"#-#5-#-#5-\""), std::string::npos) << saved;
    EXPECT_FALSE(std::filesystem::exists(base + "/song.json.saving"));
    // Loading then saving gives the same bytes.
    ASSERT_TRUE(run("load song").ok);
    ASSERT_TRUE(run("save song").ok);
    EXPECT_EQ(readFile(base + "/song.json"), saved);

    // Something in the way of the temporary file makes the write fail.
    run("kick -");
    std::filesystem::create_directory(base + "/song.json.saving");
    const ParseResult result = run("save song");
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.starts_with("could not save ")) << result.message;
    EXPECT_EQ(readFile(base + "/song.json"), saved);
    EXPECT_FALSE(run("save missing/folder/x").ok);
}

TEST_F(AppTest, LoadingSelectsThePackFirstAndReportsTheOutcomeAndWithoutANameLists) {
    writeFile(base + "/b.json", "{\"bpm\": ");
    writeFile(
        base + "/a.json",
        R"({"samplePack": "other", "bpm": 99, "activeInstruments": [{"name": "boom", "rawPattern": "#-", "volume": 1}]})");
    writeFile(base + "/notes.txt", "");
    start();
    app->messageLog().showWelcome();
    const Rows rows = commitAndRead("load a");
    EXPECT_EQ(rows.back(), "file loaded!");
    EXPECT_EQ(app->currentPackName(), L"other");
    EXPECT_EQ(app->sampleNamesNow(), Rows{"boom"});
    EXPECT_NE(app->sequencerOf().findPattern("boom"), nullptr);
    EXPECT_EQ(app->sequencerOf().bpm.load(), 99);
    EXPECT_EQ(std::find(rows.begin(), rows.end(), "The other pack."), rows.end()) << "no readme";

    for (const char* line : {"load missing", "load b"}) EXPECT_EQ(commitAndRead(line).back(), "file not found :(");
    const Rows listed = commitAndRead("save");
    EXPECT_EQ(Rows(listed.end() - 2, listed.end()), (Rows{"Files:", "a b"}));
    EXPECT_EQ(commitAndRead("load ").back(), "a b");
}

// The build puts the demo beside the program: a groove with pitched steps, a shuffle and two
// parts to recall, for the default pack.
TEST_F(AppTest, TheDemoBesideTheProgramLoadsAGrooveWithTwoParts) {
    start();
    std::filesystem::copy_file(std::filesystem::path(ZAFFO_BINARY).parent_path() / "demo.json", base + "/demo.json");
    ASSERT_TRUE(run("load demo").ok);
    EXPECT_NE(readFile(base + "/demo.json").find("\"samplePack\": \"default\""), std::string::npos);
    EXPECT_EQ(app->sequencerOf().getPartNames(), (Rows{"a", "b"}));
    int sounding = 0, pitched = 0, shuffled = 0;
    for (const std::string part : {"b", "a"}) {
        ASSERT_TRUE(run(part).ok);
        for (const SequencerPattern& pattern : app->sequencerOf().getPatternCopies()) {
            sounding += pattern.active && part == "a";
            shuffled += pattern.rand > 0;
            for (const Step& step : pattern.steps) pitched += step.on && step.pitch != 0;
        }
    }
    EXPECT_GE(sounding, 6);
    EXPECT_GT(pitched, 0);
    EXPECT_GT(shuffled, 0);
}

}  // namespace
}  // namespace zaffo::testing
