// Command lines run through a core over a base folder of its own, with the answers they give; compositions saved and
// loaded among them.

#include "CoreFixture.h"

#include "audio/AudioBuffer.h"
#include "tests/sequencer/Describe.h"
#include "tests/support/DiskFull.h"

#include <atomic>
#include <optional>
#include <set>
#include <thread>

#include <sys/stat.h>

namespace zaffo::testing {
namespace {

// An audition waits for the next period as a voice; only the first midi line says that MIDI needs a JACK server; the
// first row of the sample list fills its 48 bytes exactly.
TEST_F(CoreTest, LinesReachTheEngineTheClockAndTheSamplesAndUseSwitchesAndEmptiesPacks) {
    start();
    for (const char* name : {"aaaaa", "bbbbb", "ccccc", "ddddd", "eeeee", "zzz", "fffff"})
        core->setSample(base + "/" + name + ".wav", std::make_shared<AudioBuffer>(std::vector<float>{0, 0}));
    const std::pair<const char*, Rows> answers[] = {
        {"kick", {}},
        {"volume 0.5", {}},
        {">", {}},
        {"volume", {"0.500000"}},
        {"midi", {"MIDI needs a JACK server", "No instrument sends MIDI"}},
        {"midi", {"No instrument sends MIDI"}},
        {"samples", {"hh kick snare aaaaa bbbbb ccccc ddddd eeeee zzz ", "fffff "}}};
    for (const auto& [line, rows] : answers) EXPECT_EQ(answer(line), rows) << line;
    AudioEngine& engine = core->engine();
    EXPECT_EQ(std::tuple(engine.voiceCount(), engine.masterVolume.load(), core->sequencer().playing.load()),
              std::tuple(1u, 0.5f, true));

    run("kick #-");
    run("=a");
    EXPECT_EQ(answer("use"), (Rows{"Sample packs: ", "default other "}));
    EXPECT_EQ(answer("use other"), (Rows{"The other pack.", "It booms.", "boom "}));
    EXPECT_EQ(std::tuple(core->sequencer().getPatterns().size(), core->sequencer().getPartNames(), core->packName()),
              std::tuple(0u, Rows{}, L"other"));

    EXPECT_EQ(answer("use nowhere"), (Rows{"You have no samples loaded.", "Very strange!"}));
    EXPECT_TRUE(core->samples().names().empty());
}

TEST_F(CoreTest, TakesKeepTheirStateWhenAskedTwiceGetFilesOfTheirOwnAndAFullDiskIsAnErrorNotASave) {
    start();
    std::set<std::string> paths;
    for (int take = 0; take < 3; ++take) {  // all within a second or so
        ASSERT_TRUE(run("record start").ok);
        const std::string path = core->engine().recordPath();
        EXPECT_TRUE(path.starts_with(base + "/recording_")) << path;
        ASSERT_TRUE(run("record start").ok);
        EXPECT_TRUE(core->engine().isRecording() && core->engine().recordPath() == path) << "asking again";
        EXPECT_EQ(answer("record stop"), Rows{"saved as " + path});
        EXPECT_EQ(answer("record stop"), Rows{"not recording"});
        EXPECT_TRUE(!core->engine().isRecording() && std::filesystem::exists(path));
        paths.insert(path);
    }
    EXPECT_EQ(paths.size(), 3u);
    {
        DiskFullAt full(10);
        const std::string message = run("record start").text();
        EXPECT_TRUE(message.starts_with("could not start recording: " + base + "/recording_")) << message;
        EXPECT_TRUE(message.ends_with(" (File too large)")) << message;
    }
    EXPECT_FALSE(core->engine().isRecording());
    EXPECT_FALSE(std::filesystem::exists(core->engine().recordPath())) << "no file left";

    std::atomic<bool> stopped{false};
    core->engine().setOnRecordingStopped([&] { stopped = true; });
    {
        DiskFullAt full(100000);  // a header and about 0.13 s of frames
        answer("record start");
        std::vector<float> period(2 * 1024);
        for (int i = 0; i < 40; ++i) core->engine().renderPeriod(period.data(), 1024);
        ASSERT_TRUE(waitUntil([&] { return stopped.load(); }));
    }
    EXPECT_EQ(answer("record stop"), Rows{"not recording"});
    EXPECT_EQ(notices(), Rows{"recording stopped: File too large; kept 0.1 s in " + core->engine().recordPath()});
}

TEST_F(CoreTest, SavingWritesTheCompositionWithItsPackBesideAndAFailedSaveKeepsTheOldFile) {
    start();
    run("kick #-#5-");
    ASSERT_TRUE(run("save song").ok);
    const std::string saved = readFile(base + "/song.json");
    EXPECT_NE(saved.find("\"samplePack\": \"default\""), std::string::npos) << saved;
    EXPECT_FALSE(std::filesystem::exists(base + "/song.json.saving"));

    // A folder, a FIFO or a link in the way of the temporary file, or a full disk, fails the save at once, and nothing
    // is written through the link.
    run("kick -");
    const std::string temporary = base + "/song.json.saving", outside = base + "/outside.txt";
    writeFile(outside, "mine");
    for (const std::string kind : {"folder", "fifo", "link", "full"}) {
        if (kind == "folder") std::filesystem::create_directory(temporary);
        if (kind == "fifo") ::mkfifo(temporary.c_str(), 0600);
        if (kind == "link") std::filesystem::create_symlink(outside, temporary);
        std::optional<DiskFullAt> full;
        if (kind == "full") full.emplace(100);
        const CommandAnswer result = run("save song");
        EXPECT_TRUE(!result.ok && result.text() == "could not save " + base + "/song.json") << kind << result.text();
        full.reset();
        EXPECT_EQ(std::filesystem::exists(temporary), kind != "full") << kind;
        std::filesystem::remove(temporary);
    }
    EXPECT_EQ(readFile(base + "/song.json"), saved);
    EXPECT_EQ(readFile(outside), "mine");
    EXPECT_FALSE(run("save missing/folder/x").ok);
}

TEST_F(CoreTest, LoadingSelectsThePackFirstAndReportsTheOutcomeAndWithoutANameListsAndTheDemoLoads) {
    writeFile(base + "/b.json", "{\"bpm\": ");
    writeFile(
        base + "/a.json",
        R"({"samplePack": "other", "bpm": 99, "activeInstruments": [{"name": "boom", "rawPattern": "#-", "volume": 1}]})");
    writeFile(base + "/notes.txt", "");
    ASSERT_EQ(::mkfifo((base + "/fifo.json").c_str(), 0600), 0);
    std::filesystem::create_directory(base + "/folder.json");
    start();
    EXPECT_EQ(answer("load a"), Rows{"file loaded!"}) << "no readme";
    EXPECT_EQ(std::tuple(core->packName(), core->samples().names(), describeLive(core->sequencer()),
                         core->sequencer().bpm.load()),
              std::tuple(L"other", Rows{"boom"}, "boom #-#-#-#- 1 0 on", 99));

    // What is unreadable, or no regular file, is not found; and only regular files are listed.
    for (const char* line : {"load missing", "load b", "load fifo", "load folder"})
        EXPECT_EQ(answer(line), Rows{"file not found :("}) << line;
    EXPECT_EQ(answer("save"), (Rows{"Files: ", "a b "}));
    EXPECT_EQ(answer("load "), (Rows{"Files: ", "a b "}));

    // The build puts the demo beside the program: a groove for the default pack with two parts to recall.
    std::filesystem::copy_file(std::filesystem::path(ZAFFO_BINARY).parent_path() / "demo.json", base + "/demo.json");
    ASSERT_TRUE(run("load demo").ok && run("b").ok && run("a").ok);
    EXPECT_EQ(std::pair(core->packName(), core->sequencer().getPartNames()),
              std::pair(std::wstring(L"default"), Rows{"a", "b"}));
    EXPECT_GE(core->sequencer().getPatterns().size(), 6u);
}

}  // namespace
}  // namespace zaffo::testing
