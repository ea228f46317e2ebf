// Files and names from outside, while the program runs: followed as they change, and passed
// over when they fight back while the rest goes on.

#include "CoreFixture.h"

#include <functional>

#include <sys/stat.h>

namespace zaffo::testing {
namespace {

using Make = std::function<void(const std::string& path)>;

void makeFifo(const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path; }

TEST_F(CoreTest, SampleFilesThatAreSomethingElseTooLongOrAbsurdAreLeftOutOrMadeSaneWhenTheyArrive) {
    // One of each outcome the loader has, and what the musician is told of it, once.
    const std::tuple<std::string, Make, std::string> hostile[] = {
        {"fifo.wav", makeFifo, ""},
        {"long.wav",
         [](const std::string& path) { writeWav(path, 1000 * 660, 1000, SF_FORMAT_WAV | SF_FORMAT_PCM_U8); },
         "too long to load: "},
        {"loud.wav",
         [](const std::string& path) {
             ASSERT_TRUE(test::writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 96000, 1, 8,
                                              [](auto, int) { return 1e30f; }));
         },
         "values out of range limited: "},
        {"slow.wav", [](const std::string& path) { writeWav(path, 480, 500); }, "unusable sample rate: "},
    };
    for (const auto& [name, make, told] : hostile) make(pack("default") + "/" + name);
    makeFifo(pack("default") + "/readme.txt");
    start();
    EXPECT_EQ(core->samples().names(), (Rows{"hh", "kick", "loud", "snare"}));
    EXPECT_EQ(notices(), (Rows{"too long to load: long.wav", "values out of range limited: loud.wav",
                               "unusable sample rate: slow.wav"}))
        << "at start";
    EXPECT_EQ(answer("use default"), (Rows{"too long to load: long.wav", "values out of range limited: loud.wav",
                                           "unusable sample rate: slow.wav", "hh kick loud snare "}))
        << "and no readme";

    // Arriving while the program runs among broken and other files; copied again, a sample is replaced, not listed
    // twice.
    for (const auto& [name, make, told] : hostile) make(pack("default") + "/new-" + name);
    writeFile(pack("default") + "/notes.txt", "not a sample");
    for (int i = 0; i < 100; ++i) writeFile(pack("default") + "/broken" + std::to_string(i) + ".wav", "not a sound");
    for (const char* name : {"new-good", "new-good", "zzz"}) {  // zzz last: seen after the others
        writeWav(pack("default") + "/" + name + ".wav");
        ASSERT_TRUE(waitUntil([&] { return listed(name); }));
    }
    for (const auto& [name, make, told] : hostile) {
        if (told.empty()) continue;
        EXPECT_TRUE(waitUntil([&] { return std::ranges::count(notices(), told + "new-" + name) == 1; })) << name;
    }
    Rows names = core->samples().names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Rows{"hh", "kick", "loud", "new-good", "new-loud", "snare", "zzz"}));
}

TEST_F(CoreTest, DeletingOrRenamingAFileMovesOrRemovesItsInstrument) {
    start();
    auto instrument = [&](const std::string& name) { return core->sequencer().findPattern(name) != nullptr; };
    auto file = [&](const std::string& name) { return pack("default") + "/" + name; };
    for (const char* line : {"kick #-", "snare #-", "hh #", "=a"}) run(line);
    writeWav(file("tom.wav"));
    ASSERT_TRUE(waitUntil([&] { return listed("tom"); }));
    ASSERT_TRUE(run("tom #").ok);
    std::filesystem::remove(file("tom.wav"));
    std::filesystem::rename(file("kick.wav"), file("kick0.wav"));
    std::filesystem::rename(file("snare.wav"), file("boom.wav"));
    std::filesystem::rename(file("hh.wav"), file("hh.txt"));
    ASSERT_TRUE(waitUntil([&] { return instrument("boom") && !instrument("tom") && !listed("hh"); }));
    EXPECT_TRUE(listed("tom") && run("tom").ok) << "a deleted sound stays playable from memory";
    EXPECT_TRUE(!instrument("snare") && listed("snare")) << "the old name stays playable";
    EXPECT_TRUE(instrument("kick") && !listed("kick0")) << "a rename to kick0 is ignored";
    EXPECT_FALSE(instrument("hh"));
    ASSERT_TRUE(run("a").ok);
    EXPECT_TRUE(instrument("boom") && !instrument("snare")) << "the rename reaches the parts";
}

TEST_F(CoreTest, APackNameThatLeavesTheSamplesFolderSelectsNoFolder) {
    writeWav(base + "/loose.wav");
    writeWav(base + "/samples/stray.wav");
    std::filesystem::create_directory(base + "/samples/odd\\name");
    writeWav(base + "/samples/odd\\name/inside.wav");
    const std::pair<std::string, bool> cases[] = {
        // The name, and whether a composition names it rather than "use".
        {"..", false},        {".", false},         {"default/..", false}, {"default/../default", false},
        {"./default", false}, {"odd\\name", false}, {"..", true},          {"default/../default", true},
    };
    start();
    for (const auto& [name, fromComposition] : cases) {
        ASSERT_TRUE(run("use default").ok);
        ASSERT_FALSE(core->samples().names().empty());
        writeFile(base + "/song.json", R"({"samplePack": ")" + name + R"("})");
        ASSERT_TRUE(run(fromComposition ? "load song" : "use " + name).ok) << name;
        EXPECT_EQ(core->packName(), std::wstring(name.begin(), name.end()));
        EXPECT_EQ(core->samples().names(), Rows{}) << name << (fromComposition ? " from a composition" : "");
    }
}

}  // namespace
}  // namespace zaffo::testing
