// The sample table and the instruments follow the files of the pack while the program runs.

#include "AppFixture.h"

#include <algorithm>

namespace zaffo::testing {
namespace {

class SampleReloadTest : public AppTest {
protected:
    SampleReloadTest() { start(); }

    bool listed(const std::string& name) {
        auto names = app->sampleNamesNow();
        return std::find(names.begin(), names.end(), name) != names.end();
    }
    bool instrument(const std::string& name) { return app->sequencerOf().findPattern(name) != nullptr; }
    std::string file(const std::string& name) { return pack("default") + "/" + name; }
};

TEST_F(SampleReloadTest, ANewFileBecomesASampleAtTheEndOfTheList) {
    writeWav(file("clap.wav"));
    ASSERT_TRUE(eventually([&] { return listed("clap"); }));
    EXPECT_EQ(app->sampleNamesNow().back(), "clap");
    writeWav(file("clap.wav"), 960);  // copied again: replaced, not listed twice
    writeText(file("notes.txt"), "not a sample");
    writeWav(file("zzz.wav"));
    ASSERT_TRUE(eventually([&] { return listed("zzz"); }));
    const auto names = app->sampleNamesNow();
    EXPECT_EQ(std::count(names.begin(), names.end(), "clap"), 1);
    EXPECT_FALSE(listed("notes"));
}

TEST_F(SampleReloadTest, DeletingAFileRemovesItsInstrumentButKeepsTheSound) {
    ASSERT_TRUE(run("kick #-").ok);
    std::filesystem::remove(file("kick.wav"));
    ASSERT_TRUE(eventually([&] { return !instrument("kick"); }));
    EXPECT_TRUE(listed("kick"));
    EXPECT_TRUE(run("kick").ok) << "still playable from memory";
}

TEST_F(SampleReloadTest, RenamesMoveTheInstrumentOrRemoveIt) {
    ASSERT_TRUE(run("kick #-").ok);
    ASSERT_TRUE(run("snare #-").ok);
    std::filesystem::rename(file("kick.wav"), file("kick0.wav"));
    std::filesystem::rename(file("snare.wav"), file("boom.wav"));
    ASSERT_TRUE(eventually([&] { return instrument("boom"); }));
    EXPECT_FALSE(instrument("snare"));
    EXPECT_TRUE(listed("snare")) << "the old name stays playable";
    EXPECT_TRUE(listed("boom"));
    EXPECT_TRUE(instrument("kick")) << "a rename to kick0 is ignored";
    EXPECT_FALSE(listed("kick0"));

    ASSERT_TRUE(run("hh #").ok);
    std::filesystem::rename(file("hh.wav"), file("hh.txt"));
    ASSERT_TRUE(eventually([&] { return !instrument("hh") && !listed("hh"); }));
}

TEST_F(SampleReloadTest, AHundredBrokenFilesDoNotHoldBackAGoodOne) {
    for (int i = 0; i < 100; ++i) writeText(file("broken" + std::to_string(i) + ".wav"), "not a sound");
    writeWav(file("good.wav"));
    ASSERT_TRUE(eventually([&] { return listed("good"); }));
    EXPECT_FALSE(listed("broken0"));
}

TEST_F(SampleReloadTest, ANewPackFolderIsListed) {
    std::filesystem::create_directory(base + "/samples/fresh");
    ASSERT_TRUE(eventually([&] {
        app->messageLog().printMessage(L"", {});
        auto rows = commitAndRead("use");
        return rows.back().find("fresh") != std::string::npos;
    }));
}

}  // namespace
}  // namespace zaffo::testing
