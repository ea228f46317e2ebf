// Commands typed into a real App over a base folder of its own.

#include "AppFixture.h"

#include "audio/AudioBuffer.h"
#include "tests/support/DiskFull.h"

#include <atomic>
#include <clocale>
#include <set>

namespace zaffo::testing {
namespace {

TEST_F(AppTest, LinesReachTheSamplesTheSequencerAndTheEngine) {
    start();
    const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    // An audition waits for the next period as a voice; a part is stored and recalled.
    for (const char* line : {"kick", "snare #-", "=a", "snare -", "a", "volume 0.5", "."}) ASSERT_TRUE(run(line).ok);
    EXPECT_EQ(run("volume").message, "0.500000") << "with a point whatever the locale";
    if (german) std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(app->audioEngine().voiceCount(), 1u);
    Sequencer& sequencer = app->sequencerOf();
    EXPECT_EQ(patternText(sequencer.findPattern("snare")->steps), "#-#-#-#-");
    EXPECT_EQ(app->audioEngine().masterVolume.load(), 0.5f);
    EXPECT_FALSE(sequencer.playing.load());
    ASSERT_TRUE(run(">").ok);
    EXPECT_TRUE(sequencer.playing.load());
    ASSERT_TRUE(run("/snare").ok);
    EXPECT_EQ(sequencer.findPattern("snare"), nullptr);
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
    EXPECT_TRUE(app->sequencerOf().getPatterns().empty());
    EXPECT_TRUE(app->sequencerOf().getPartNames().empty());
    EXPECT_EQ(app->currentPackName(), L"other");

    const Rows rows = commitAndRead("use nowhere");
    EXPECT_EQ(Rows(rows.end() - 3, rows.end()),
              (Rows{"> use nowhere", "You have no samples loaded.", "Very strange!"}));
    EXPECT_TRUE(app->sampleNamesNow().empty());
}

TEST_F(AppTest, SampleListsWrapAtFortyEightBytes) {
    start();
    for (const char* name : {"aaaaa", "bbbbb", "ccccc", "ddddd", "eeeee", "zzz", "fffff"})
        app->setSample(base + "/" + name + ".wav", std::make_shared<AudioBuffer>(std::vector<float>{0, 0}));
    // Each name takes its bytes and a blank: the first row fills the 48 bytes exactly.
    EXPECT_EQ(run("samples").message, "hh kick snare aaaaa bbbbb ccccc ddddd eeeee zzz \nfffff ");
}

TEST_F(AppTest, HelpAndTutorialPrintInLightCyanAndTheTutorialStartsOver) {
    start();
    commitAndRead("help");
    ui::Screen screen(20, 1);
    ui::Render(screen, app->messageLog().lines().back());
    EXPECT_EQ(screen.at(0, 0).foreground, ui::Color::CyanLight);
    const std::string firstPageEnd = commitAndRead("tutorial").back();
    EXPECT_NE(commitAndRead("next").back(), firstPageEnd);
    EXPECT_EQ(commitAndRead("tutorial").back(), firstPageEnd);
}

TEST_F(AppTest, TakesKeepTheirStateWhenAskedTwiceGetFilesOfTheirOwnAndAFullDiskIsAnErrorNotASave) {
    start();
    app->messageLog().showWelcome();
    std::set<std::string> paths;
    for (int take = 0; take < 3; ++take) {  // all within a second or so
        ASSERT_TRUE(run("record start").ok);
        const std::string path = app->audioEngine().recordPath();
        EXPECT_TRUE(path.starts_with(base + "/recording_")) << path;
        ASSERT_TRUE(run("record start").ok);
        EXPECT_TRUE(app->audioEngine().isRecording()) << "asking again keeps recording";
        EXPECT_EQ(app->audioEngine().recordPath(), path);
        EXPECT_EQ(commitAndRead("record stop").back(), "saved as " + path);
        EXPECT_FALSE(app->audioEngine().isRecording());
        EXPECT_EQ(commitAndRead("record stop").back(), "not recording");
        EXPECT_TRUE(std::filesystem::exists(path));
        paths.insert(path);
    }
    EXPECT_EQ(paths.size(), 3u);
    {
        DiskFullAt full(10);
        const std::string message = run("record start").message;
        EXPECT_TRUE(message.starts_with("could not start recording: " + base + "/recording_")) << message;
        EXPECT_TRUE(message.ends_with(" (File too large)")) << message;
    }
    EXPECT_FALSE(app->audioEngine().isRecording());
    EXPECT_FALSE(std::filesystem::exists(app->audioEngine().recordPath())) << "no file left";

    std::atomic<bool> stopped{false};
    app->audioEngine().setOnRecordingStopped([&] { stopped = true; });
    {
        DiskFullAt full(100000);  // a header and about 0.13 s of frames
        commitAndRead("record start");
        std::vector<float> period(2 * 1024);
        for (int i = 0; i < 40; ++i) app->audioEngine().renderPeriod(period.data(), 1024);
        ASSERT_TRUE(waitUntil([&] { return stopped.load(); }));
    }
    const Rows rows = commitAndRead("record stop");
    EXPECT_EQ(Rows(rows.end() - 3, rows.end()),
              (Rows{"recording stopped: File too large; kept 0.1 s in " + app->audioEngine().recordPath(),
                    "> record stop", "not recording"}));
    EXPECT_FALSE(app->audioEngine().isRecording());
}

}  // namespace
}  // namespace zaffo::testing
