// The sample table and the instruments follow the files of the pack while the program runs;
// files that arrive broken are in HostileFilesTest.

#include "AppFixture.h"

namespace zaffo::testing {
namespace {

class SampleReloadTest : public AppTest {
protected:
    SampleReloadTest() { start(); }

    bool instrument(const std::string& name) { return app->sequencerOf().findPattern(name) != nullptr; }
    std::string file(const std::string& name) { return pack("default") + "/" + name; }
};

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
