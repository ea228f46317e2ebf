// Commands typed into a real App over a base folder of its own.

#include "AppFixture.h"

#include "audio/AudioBuffer.h"

#include <clocale>

namespace zaffo::testing {
namespace {

using Rows = std::vector<std::string>;

TEST_F(AppTest, ASampleNameAuditionsAndAPartNameRecalls) {
    start();
    ASSERT_TRUE(run("kick").ok);
    EXPECT_EQ(app->audioEngine().voiceCount(), 1u) << "the preview waits for the next period";
    EXPECT_TRUE(app->sequencerOf().getPatterns().empty());

    ASSERT_TRUE(run("snare #-").ok);
    ASSERT_TRUE(run("=a").ok);
    ASSERT_TRUE(run("snare -").ok);
    EXPECT_EQ(run("a").message, "");
    EXPECT_EQ(patternText(app->sequencerOf().findPattern("snare")->steps), "#-#-#-#-");
    EXPECT_EQ(run("xyz").message, "Unknown part/sample: xyz");
    EXPECT_EQ(run("kick xyz").message, "Unknown part/sample: kick");
}

TEST_F(AppTest, AnEditNamingAMissingSampleFailsButKeepsWhatItCreated) {
    start();
    ParseResult result = run("kick xyz #-");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "pattern not found: xyz");
    ASSERT_NE(app->sequencerOf().findPattern("kick"), nullptr);
    EXPECT_EQ(patternText(app->sequencerOf().findPattern("kick")->steps), "--------");

    EXPECT_TRUE(run("/kick").ok);
    EXPECT_EQ(app->sequencerOf().findPattern("kick"), nullptr);
}

TEST_F(AppTest, UseListsSwitchesAndEmptiesPacks) {
    start();
    app->messageLog().showWelcome();
    run("kick #-");
    run("=a");
    EXPECT_EQ(commitAndRead("use").back(), "default other");

    EXPECT_EQ(commitAndRead("use other"),
              (Rows{"", "type 'tutorial' for tutorial", "type 'help' for help", "> use", "Sample packs:",
                    "default other", "> use other", "The other pack.", "It booms.", "boom"}));
    EXPECT_TRUE(app->sequencerOf().getPatterns().empty());
    EXPECT_TRUE(app->sequencerOf().getPartNames().empty());
    EXPECT_EQ(app->currentPackName(), L"other");

    Rows rows = commitAndRead("use nowhere");
    EXPECT_EQ(Rows(rows.end() - 3, rows.end()), (Rows{"> use nowhere", "You have no samples loaded.", "Very strange!"}));
    EXPECT_TRUE(app->sampleNamesNow().empty());
}

TEST_F(AppTest, SampleListsWrapAtFortyEightBytes) {
    start();
    for (char c = 'a'; c < 'a' + 10; ++c) {
        app->setSample(base + "/" + std::string(5, c) + ".wav", std::make_shared<AudioBuffer>(std::vector<float>{0, 0}));
    }
    const std::string list = run("samples").message;
    // hh, kick, snare, then ten names of five letters: 6 bytes each.
    EXPECT_EQ(list,
              "hh kick snare aaaaa bbbbb ccccc ddddd eeeee \n"
              "fffff ggggg hhhhh iiiii jjjjj ");
}

TEST_F(AppTest, VolumeIsShownWithAPointWhateverTheLocale) {
    start();
    const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(run("volume").message, "1.000000");
    ASSERT_TRUE(run("volume 0.5").ok);
    EXPECT_EQ(run("volume").message, "0.500000");
    EXPECT_EQ(app->audioEngine().masterVolume.load(), 0.5f);
    if (german) std::setlocale(LC_NUMERIC, "C");
}

TEST_F(AppTest, PlayAndStopDriveTheClock) {
    start();
    ASSERT_TRUE(run(".").ok);
    EXPECT_FALSE(app->sequencerOf().playing.load());
    ASSERT_TRUE(run(">").ok);
    EXPECT_TRUE(app->sequencerOf().playing.load());
}

TEST_F(AppTest, HelpAndTutorialPrintInLightCyan) {
    start();
    app->messageLog().showWelcome();
    Rows rows = commitAndRead("help Pitch");
    EXPECT_EQ(Rows(rows.end() - 2, rows.end()), (Rows{"help record", "help about"}));
    auto lines = app->messageLog().lines();
    ui::Screen screen(20, 1);
    ui::Render(screen, lines.back());
    EXPECT_EQ(screen.at(0, 0).foreground, ui::Color::CyanLight);

    commitAndRead("tutorial");
    for (int page = 2; page <= 12; ++page) commitAndRead("next");
    rows = commitAndRead("next");
    EXPECT_EQ(rows.back(), "Then 'next' to continue with the tutorial") << "page 1 again after page 12";
}

TEST_F(AppTest, RecordingStartsStopsAndKeepsItsStateWhenAskedTwice) {
    start();
    ASSERT_TRUE(run("record start").ok);
    EXPECT_TRUE(app->audioEngine().isRecording());
    const std::string path = app->audioEngine().recordPath();
    EXPECT_EQ(path.rfind(base + "/recording_", 0), 0u) << path;
    ASSERT_TRUE(run("record start").ok);
    EXPECT_TRUE(app->audioEngine().isRecording()) << "asking again keeps recording";
    EXPECT_EQ(app->audioEngine().recordPath(), path);

    app->messageLog().showWelcome();
    Rows rows = commitAndRead("record stop");
    EXPECT_EQ(rows.back(), "saved as " + path);
    EXPECT_FALSE(app->audioEngine().isRecording());
    EXPECT_FALSE(app->isRecordFlagSet());
    ASSERT_TRUE(run("record stop").ok);
    EXPECT_FALSE(app->audioEngine().isRecording()) << "stopping again starts nothing";
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(AppTest, ARecordingThatCannotStartIsAnError) {
    start();
    std::filesystem::remove_all(base);  // the folder recordings go to is gone
    ParseResult result = run("record start");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message.rfind("could not start recording: ", 0), 0u) << result.message;
    EXPECT_FALSE(app->isRecordFlagSet());
}

}  // namespace
}  // namespace zaffo::testing
