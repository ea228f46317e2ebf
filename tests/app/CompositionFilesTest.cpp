#include "AppFixture.h"

namespace zaffo::testing {
namespace {

TEST_F(AppTest, SavingWritesTheCompositionWithItsPackBeside) {
    start();
    run("kick #-#5-");
    ASSERT_TRUE(run("save song").ok);
    const std::string saved = readText(base + "/song.json");
    EXPECT_NE(saved.find("\"samplePack\": \"default\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"patternRaw\": \"#-#5-#-#5-\""), std::string::npos) << saved;
    EXPECT_FALSE(std::filesystem::exists(base + "/song.json.saving"));

    // Saving again, and loading then saving, give the same bytes.
    ASSERT_TRUE(run("save song").ok);
    EXPECT_EQ(readText(base + "/song.json"), saved);
    ASSERT_TRUE(run("load song").ok);
    ASSERT_TRUE(run("save song").ok);
    EXPECT_EQ(readText(base + "/song.json"), saved);
}

TEST_F(AppTest, LoadingSelectsThePackFirstAndReportsTheOutcome) {
    start();
    app->messageLog().showWelcome();
    writeText(base + "/other.json",
              R"({"samplePack": "other", "bpm": 99,
                  "activeInstruments": [{"name": "boom", "rawPattern": "#-", "volume": 0.5}]})");
    auto rows = commitAndRead("load other");
    EXPECT_EQ(rows.back(), "file loaded!");
    EXPECT_EQ(app->currentPackName(), L"other");
    EXPECT_EQ(app->sampleNamesNow(), (std::vector<std::string>{"boom"}));
    EXPECT_NE(app->sequencerOf().findPattern("boom"), nullptr);
    EXPECT_EQ(app->sequencerOf().bpm.load(), 99);
    EXPECT_EQ(std::find(rows.begin(), rows.end(), "The other pack."), rows.end()) << "no readme";

    EXPECT_EQ(commitAndRead("load missing").back(), "file not found :(");
    writeText(base + "/broken.json", "{\"bpm\": ");
    EXPECT_EQ(commitAndRead("load broken").back(), "file not found :(");
}

TEST_F(AppTest, WithoutANameSaveAndLoadListTheFiles) {
    writeText(base + "/b.json", "{}");
    writeText(base + "/a.json", "{}");
    writeText(base + "/notes.txt", "");
    start();
    app->messageLog().showWelcome();
    auto rows = commitAndRead("save");
    EXPECT_EQ(std::vector<std::string>(rows.end() - 2, rows.end()), (std::vector<std::string>{"Files:", "a b"}));
    rows = commitAndRead("load ");
    EXPECT_EQ(rows.back(), "a b");
}

TEST_F(AppTest, AFailedSaveIsAnErrorAndLeavesTheOldFileWhole) {
    start();
    run("kick #");
    ASSERT_TRUE(run("save keep").ok);
    const std::string kept = readText(base + "/keep.json");
    run("kick -");
    // Something in the way of the temporary file makes the write fail.
    std::filesystem::create_directory(base + "/keep.json.saving");
    ParseResult result = run("save keep");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message.rfind("could not save ", 0), 0u) << result.message;
    EXPECT_EQ(readText(base + "/keep.json"), kept);

    EXPECT_FALSE(run("save missing/folder/x").ok);
}

// The build puts the demo beside the program: a groove with pitched steps, a shuffle and two
// parts to recall, for the default pack.
TEST_F(AppTest, TheDemoBesideTheProgramLoadsAGrooveWithTwoParts) {
    start();
    std::filesystem::copy_file(std::filesystem::path(ZAFFO_BINARY).parent_path() / "demo.json", base + "/demo.json");
    ASSERT_TRUE(run("load demo").ok);
    EXPECT_NE(readText(base + "/demo.json").find("\"samplePack\": \"default\""), std::string::npos);
    EXPECT_EQ(app->sequencerOf().getPartNames(), (std::vector<std::string>{"a", "b"}));
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
