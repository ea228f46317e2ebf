// The sample table and the instruments follow the files of the pack while the program runs.

#include "AppFixture.h"

namespace zaffo::testing {
namespace {

class SampleReloadTest : public AppTest {
protected:
    SampleReloadTest() { start(); }

    bool instrument(const std::string& name) { return app->sequencerOf().findPattern(name) != nullptr; }
    std::string file(const std::string& name) { return pack("default") + "/" + name; }
};

TEST_F(SampleReloadTest, ANewFileBecomesASampleAtTheEndOfTheListAndBrokenOnesAreLeftOut) {
    writeWav(file("clap.wav"));
    ASSERT_TRUE(waitUntil([&] { return listed("clap"); }));
    EXPECT_EQ(app->sampleNamesNow().back(), "clap");
    writeWav(file("clap.wav"), 960);  // copied again: replaced, not listed twice
    writeFile(file("notes.txt"), "not a sample");
    for (int i = 0; i < 100; ++i) writeFile(file("broken" + std::to_string(i) + ".wav"), "not a sound");
    writeWav(file("zzz.wav"));
    ASSERT_TRUE(waitUntil([&] { return listed("zzz"); }));
    EXPECT_EQ(app->sampleNamesNow(), (Rows{"hh", "kick", "snare", "clap", "zzz"}));
}

TEST_F(SampleReloadTest, DeletingOrRenamingAFileMovesOrRemovesItsInstrument) {
    for (const char* line : {"kick #-", "snare #-", "hh #"}) run(line);
    writeWav(file("tom.wav"));
    ASSERT_TRUE(waitUntil([&] { return listed("tom"); }));
    ASSERT_TRUE(run("tom #").ok);
    std::filesystem::remove(file("tom.wav"));
    std::filesystem::rename(file("kick.wav"), file("kick0.wav"));
    std::filesystem::rename(file("snare.wav"), file("boom.wav"));
    std::filesystem::rename(file("hh.wav"), file("hh.txt"));
    ASSERT_TRUE(waitUntil([&] { return instrument("boom") && !instrument("tom") && !listed("hh"); }));
    EXPECT_TRUE(listed("tom") && run("tom").ok) << "a deleted sound stays playable from memory";
    EXPECT_FALSE(instrument("snare"));
    EXPECT_TRUE(listed("snare")) << "the old name stays playable";
    EXPECT_TRUE(instrument("kick")) << "a rename to kick0 is ignored";
    EXPECT_FALSE(listed("kick0"));
    EXPECT_FALSE(instrument("hh"));
}

TEST_F(SampleReloadTest, ANewPackFolderIsListed) {
    std::filesystem::create_directory(base + "/samples/fresh");
    ASSERT_TRUE(waitUntil([&] { return commitAndRead("use").back().find("fresh") != std::string::npos; }));
}

}  // namespace
}  // namespace zaffo::testing
