// Commands typed into a real App over a base folder of its own, compositions saved and loaded among them.

#include "AppFixture.h"

#include "app/AppScreen.h"
#include "audio/AudioBuffer.h"
#include "tests/support/DiskFull.h"

#include <atomic>
#include <optional>
#include <set>
#include <thread>

#include <sys/stat.h>

namespace zaffo::testing {
namespace {

// What the lines do is pinned with the grammar; here they reach the engine and the clock. An audition waits for the
// next period as a voice.
TEST_F(AppTest, LinesReachTheEngineAndTheClock) {
    start();
    for (const char* line : {"kick", "volume 0.5", ">"}) ASSERT_TRUE(run(line).ok);
    EXPECT_EQ(run("volume").text(), "0.500000");
    AudioEngine& engine = app->core().engine();
    EXPECT_EQ(std::tuple(engine.voiceCount(), engine.masterVolume.load(), app->core().sequencer().playing.load()),
              std::tuple(1u, 0.5f, true));
}

TEST_F(AppTest, UseListsSwitchesAndEmptiesPacks) {
    start();
    app->messageLog().showWelcome();
    run("kick #-");
    run("=a");
    EXPECT_EQ(commitAndRead("use").back(), "default other");
    EXPECT_EQ(commitAndRead("use other"),
              (Rows{"", "type 'tutorial' for tutorial", "type 'help' for help", "> use",
                    "Sample packs:", "default other", "> use other", "The other pack.", "It booms.", "boom"}));
    EXPECT_TRUE(app->core().sequencer().getPatterns().empty());
    EXPECT_TRUE(app->core().sequencer().getPartNames().empty());
    EXPECT_EQ(app->core().packName(), L"other");

    const Rows rows = commitAndRead("use nowhere");
    EXPECT_EQ(Rows(rows.end() - 3, rows.end()),
              (Rows{"> use nowhere", "You have no samples loaded.", "Very strange!"}));
    EXPECT_TRUE(app->core().samples().names().empty());
}

TEST_F(AppTest, SampleListsWrapAtFortyEightBytes) {
    start();
    for (const char* name : {"aaaaa", "bbbbb", "ccccc", "ddddd", "eeeee", "zzz", "fffff"})
        app->core().setSample(base + "/" + name + ".wav", std::make_shared<AudioBuffer>(std::vector<float>{0, 0}));
    // Each name takes its bytes and a blank: the first row fills the 48 bytes exactly.
    EXPECT_EQ(run("samples").text(), "hh kick snare aaaaa bbbbb ccccc ddddd eeeee zzz \nfffff ");
}

TEST_F(AppTest, TakesKeepTheirStateWhenAskedTwiceGetFilesOfTheirOwnAndAFullDiskIsAnErrorNotASave) {
    start();
    app->messageLog().showWelcome();
    std::set<std::string> paths;
    for (int take = 0; take < 3; ++take) {  // all within a second or so
        ASSERT_TRUE(run("record start").ok);
        const std::string path = app->core().engine().recordPath();
        EXPECT_TRUE(path.starts_with(base + "/recording_")) << path;
        ASSERT_TRUE(run("record start").ok);
        EXPECT_TRUE(app->core().engine().isRecording() && app->core().engine().recordPath() == path) << "asking again";
        EXPECT_EQ(commitAndRead("record stop").back(), "saved as " + path);
        EXPECT_EQ(commitAndRead("record stop").back(), "not recording");
        EXPECT_TRUE(!app->core().engine().isRecording() && std::filesystem::exists(path));
        paths.insert(path);
    }
    EXPECT_EQ(paths.size(), 3u);
    {
        DiskFullAt full(10);
        const std::string message = run("record start").text();
        EXPECT_TRUE(message.starts_with("could not start recording: " + base + "/recording_")) << message;
        EXPECT_TRUE(message.ends_with(" (File too large)")) << message;
    }
    EXPECT_FALSE(app->core().engine().isRecording());
    EXPECT_FALSE(std::filesystem::exists(app->core().engine().recordPath())) << "no file left";

    std::atomic<bool> stopped{false};
    app->core().engine().setOnRecordingStopped([&] { stopped = true; });
    {
        DiskFullAt full(100000);  // a header and about 0.13 s of frames
        commitAndRead("record start");
        std::vector<float> period(2 * 1024);
        for (int i = 0; i < 40; ++i) app->core().engine().renderPeriod(period.data(), 1024);
        ASSERT_TRUE(waitUntil([&] { return stopped.load(); }));
    }
    const Rows rows = commitAndRead("record stop");
    EXPECT_EQ(Rows(rows.end() - 3, rows.end()),
              (Rows{"recording stopped: File too large; kept 0.1 s in " + app->core().engine().recordPath(),
                    "> record stop", "not recording"}));
    EXPECT_FALSE(app->core().engine().isRecording());
}

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

TEST_F(AppTest, LoadingSelectsThePackFirstAndReportsTheOutcomeAndWithoutANameLists) {
    writeFile(base + "/b.json", "{\"bpm\": ");
    writeFile(
        base + "/a.json",
        R"({"samplePack": "other", "bpm": 99, "activeInstruments": [{"name": "boom", "rawPattern": "#-", "volume": 1}]})");
    writeFile(base + "/notes.txt", "");
    ASSERT_EQ(::mkfifo((base + "/fifo.json").c_str(), 0600), 0);
    std::filesystem::create_directory(base + "/folder.json");
    start();
    app->messageLog().showWelcome();
    const Rows rows = commitAndRead("load a");
    EXPECT_EQ(rows.back(), "file loaded!");
    EXPECT_EQ(app->core().packName(), L"other");
    EXPECT_EQ(app->core().samples().names(), Rows{"boom"});
    EXPECT_NE(app->core().sequencer().findPattern("boom"), nullptr);
    EXPECT_EQ(app->core().sequencer().bpm.load(), 99);
    EXPECT_EQ(std::find(rows.begin(), rows.end(), "The other pack."), rows.end()) << "no readme";

    // What is unreadable, or no regular file, is not found; and only regular files are listed.
    for (const char* line : {"load missing", "load b", "load fifo", "load folder"})
        EXPECT_EQ(commitAndRead(line).back(), "file not found :(") << line;
    const Rows listed = commitAndRead("save");
    EXPECT_EQ(Rows(listed.end() - 2, listed.end()), (Rows{"Files:", "a b"}));
    EXPECT_EQ(commitAndRead("load ").back(), "a b");
}

// The build puts the demo beside the program: a groove for the default pack with two parts to recall.
TEST_F(AppTest, TheDemoBesideTheProgramLoadsAGrooveWithTwoParts) {
    start();
    std::filesystem::copy_file(std::filesystem::path(ZAFFO_BINARY).parent_path() / "demo.json", base + "/demo.json");
    ASSERT_TRUE(run("load demo").ok && run("b").ok && run("a").ok);
    EXPECT_EQ(std::pair(app->core().packName(), app->core().sequencer().getPartNames()),
              std::pair(std::wstring(L"default"), Rows{"a", "b"}));
    EXPECT_GE(app->core().sequencer().getPatterns().size(), 6u);
}

// The interface, audio and watcher threads meeting in one App: run under ThreadSanitizer, this
// catches unguarded shared state and lock-order inversions.
TEST_F(AppTest, CommandsReloadsAndTheAudioThreadShareTheAppSafely) {
    start();
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> period(2 * 256);
        while (!done) app->core().engine().renderPeriod(period.data(), 256);
    });
    AppScreen screen(app->core(), app->messageLog(), app->commands());
    for (int round = 0; round < 20; ++round) {
        for (const char* line : {"kick #-#5 &1", "hh 0.5 #", "=a", "snare #--", "a", "bpm 400", "kick", "volume 0.9",
                                 "/hh", "use other", "boom #", "use default", "kick -#"})
            run(line);
        writeWav(pack("default") + "/clap.wav", 100 + round);
        ui::Screen grid(200, 50);
        ui::Render(grid, screen.root()->Render());
    }
    EXPECT_TRUE(waitUntil([&] { return app->core().samples().contains("clap"); }));
    done = true;
    audio.join();
}

}  // namespace
}  // namespace zaffo::testing
