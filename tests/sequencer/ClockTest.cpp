#include "sequencer/Random.h"
#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace zaffo {
namespace {

struct Trigger {
    std::string name;
    int step;
    int64_t frame;  // counted from the first frame the clock was given
};

// Drives a sequencer with periods and records every step and trigger with its frame.
class ClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        sequencer.sampleExists = [](const std::string&) { return true; };
        sequencer.onStep = [this](int step, int32_t) { steps.push_back(step); };
        sequencer.onTrigger = [this](const PatternPtr& p, int step, int32_t startFrame) {
            triggers.push_back({p->name, step, framesSoFar + startFrame});
            EXPECT_GE(startFrame, 0);
            EXPECT_LT(startFrame, currentPeriod);
        };
    }

    void period(int32_t frames, int32_t sampleRate = 96000) {
        currentPeriod = frames;
        sequencer.tick(frames, sampleRate);
        framesSoFar += frames;
    }

    PatternPtr instrument(const std::string& name, const std::string& onSteps) {
        PatternPtr p = sequencer.getOrCreatePattern(name);
        for (size_t i = 0; i < 8; ++i) p->steps[i] = {onSteps[i] == '#', static_cast<int32_t>(i)};
        return p;
    }

    // The order of an instrument's steps after each measure, as the pitches 0..7 mark them.
    std::vector<std::string> orderAtEachMeasure(const PatternPtr& p, int measures) {
        std::vector<std::string> orders;
        for (int m = 0; m < measures; ++m) {
            for (int s = 0; s < 8; ++s) period(24001);
            std::string order;
            for (const Step& step : p->steps) order += std::to_string(step.pitch);
            orders.push_back(order);
        }
        return orders;
    }

    Sequencer sequencer;
    std::vector<int> steps;
    std::vector<Trigger> triggers;
    int64_t framesSoFar = 0;
    int32_t currentPeriod = 0;
};

TEST_F(ClockTest, AStepLastsHalfABeatOfFrames) {
    // 44100 Hz at 130 beats per minute: a beat is 20353 frames, a step 10176.
    sequencer.bpm = 130;
    period(10176, 44100);
    EXPECT_TRUE(steps.empty()) << "a step advances only once the count passes its length";
    period(1, 44100);
    EXPECT_EQ(steps, (std::vector<int>{0}));
}

TEST_F(ClockTest, FirstStepsComeOnTheTwentySixthAndFiftyFirstPeriod) {
    // 480-frame periods at 48000 Hz and 120 beats per minute: 12000 frames a step.
    std::vector<int> periodsWithAStep;
    for (int n = 1; n <= 60; ++n) {
        size_t before = steps.size();
        period(480, 48000);
        if (steps.size() > before) periodsWithAStep.push_back(n);
    }
    EXPECT_EQ(periodsWithAStep, (std::vector<int>{26, 51}));
}

TEST_F(ClockTest, OnsetsFallExactlyAStepApartWhateverThePeriods) {
    instrument("kick", "########");
    std::mt19937 sizes(7);
    for (int32_t periodSize : {64, 441, 512, 1024, 4096}) {
        triggers.clear();
        while (triggers.size() < 300) period(periodSize);
    }
    // Irregular periods, as a device under load may deliver them.
    triggers.clear();
    std::uniform_int_distribution<int32_t> irregular(1, 8192);
    while (triggers.size() < 1000) period(irregular(sizes));

    for (size_t i = 1; i < triggers.size(); ++i) {
        ASSERT_EQ(triggers[i].frame - triggers[i - 1].frame, 24000) << "at step " << i;
    }
}

TEST_F(ClockTest, TheFirstStepBeginsOneStepIntoTheCount) {
    instrument("kick", "#-------");
    for (int i = 0; i < 300; ++i) period(1000);
    ASSERT_EQ(triggers.size(), 2u);
    // Frames 0..23999 make up the first step length; the step begins at the next one.
    EXPECT_EQ(triggers[0].frame, 24000);
    EXPECT_EQ(triggers[1].frame, 24000 + 8 * 24000);
}

TEST_F(ClockTest, ACuedPartBeginsOnTheNextMeasureAtItsOwnTempo) {
    PatternPtr kick = instrument("kick", "########");
    sequencer.bpm = 240;
    ASSERT_TRUE(sequencer.storePart("fast"));
    sequencer.editPattern(kick, [](SequencerPattern& p) { p.steps = {}; p.steps[0].on = true; });
    sequencer.bpm = 120;
    EXPECT_FALSE(sequencer.cuePart("none"));

    period(24001);
    ASSERT_TRUE(sequencer.cuePart("fast"));
    while (triggers.size() < 3) period(1000);

    // The live measure plays out at 120; the part's first step follows it, 12000 frames a step.
    EXPECT_EQ(triggers[0].frame, 24000);
    EXPECT_EQ(triggers[1].frame, 24000 + 8 * 24000);
    EXPECT_EQ(triggers[2].frame, 24000 + 8 * 24000 + 12000);
    EXPECT_EQ(sequencer.bpm.load(), 240);
}

TEST_F(ClockTest, AHugePeriodAdvancesOnlyOneStep) {
    period(24000 * 5);
    EXPECT_EQ(steps.size(), 1u);
    period(1);
    EXPECT_EQ(steps.size(), 2u) << "an overdue step begins at the start of the next period";
}

TEST_F(ClockTest, AFasterTempoEndsTheRunningStepAtOnce) {
    instrument("kick", "########");
    period(24001);  // step 0 begins at frame 24000; one frame counted since
    for (int i = 0; i < 10; ++i) period(1000);  // 10001 frames into step 0
    sequencer.bpm = 480;  // steps of 6000 frames: step 0 is overdue
    period(500);
    ASSERT_EQ(triggers.size(), 2u);
    EXPECT_EQ(triggers[1].frame, framesSoFar - 500);
    for (int i = 0; i < 24; ++i) period(500);
    ASSERT_EQ(triggers.size(), 4u) << "no burst of steps to catch up";
    EXPECT_EQ(triggers[2].frame - triggers[1].frame, 6000);
    EXPECT_EQ(triggers[3].frame - triggers[2].frame, 6000);
}

TEST_F(ClockTest, ATempoBelowOneNeverDividesByZero) {
    sequencer.bpm = 0;
    period(1000);
    sequencer.bpm = -5;
    period(1000);
    EXPECT_TRUE(steps.empty());
    sequencer.animateBpm(0, 0);
    sequencer.animateBpm(-3, 1);
    period(1000);
    EXPECT_EQ(sequencer.bpm.load(), -5) << "a target below 1 starts no animation";
}

TEST_F(ClockTest, PausingFreezesTheStepAndTheTempoAnimation) {
    period(24001);
    sequencer.playing = false;
    sequencer.animateBpm(140, 0);
    for (int i = 0; i < 100; ++i) period(1000);
    EXPECT_EQ(steps.size(), 1u);
    EXPECT_EQ(sequencer.bpm.load(), 120);

    sequencer.playing = true;
    period(1);
    EXPECT_EQ(sequencer.bpm.load(), 140) << "the stored target is applied on the first tick";
}

TEST_F(ClockTest, TempoAnimatesAlongAHalfCosineAndEndsExactlyOnTarget) {
    sequencer.animateBpm(160, 5);
    std::vector<int32_t> tempos;
    // Periods of 1/128 s (exact in binary): 640 of them make the 5 seconds.
    for (int i = 0; i < 640; ++i) {
        period(512, 65536);
        tempos.push_back(sequencer.bpm.load());
    }
    for (size_t i = 1; i < tempos.size(); ++i) ASSERT_GE(tempos[i], tempos[i - 1]) << i;
    EXPECT_LE(tempos[63], 121) << "slow at first";
    EXPECT_NEAR(tempos[319], 140, 1) << "half way at the middle";
    EXPECT_GE(tempos[575], 159) << "slow again near the end";
    EXPECT_EQ(tempos.back(), 160);

    period(512, 65536);  // finds the 5 seconds elapsed: ends the animation
    sequencer.bpm = 150;
    period(512, 65536);
    EXPECT_EQ(sequencer.bpm.load(), 150) << "nothing overwrites the tempo any more";
}

TEST_F(ClockTest, ANewAnimationStartsFromTheTempoReachedSoFar) {
    sequencer.animateBpm(200, 1);
    for (int i = 0; i < 50; ++i) period(960);  // half a second: about 160
    const int32_t reached = sequencer.bpm.load();
    sequencer.animateBpm(100, 0);
    period(960);
    EXPECT_EQ(sequencer.bpm.load(), 100);
    EXPECT_GT(reached, 140);
    EXPECT_LT(reached, 180);
}

TEST_F(ClockTest, MutedInstrumentsAreSilentAndOnlyOnStepsSound) {
    instrument("kick", "#-#-----");
    PatternPtr snare = instrument("snare", "########");
    snare->active = false;
    for (int i = 0; i < 8; ++i) period(24001);
    ASSERT_EQ(triggers.size(), 2u);
    EXPECT_EQ(triggers[0].name, "kick");
    EXPECT_EQ(triggers[0].step, 0);
    EXPECT_EQ(triggers[1].step, 2);
}

TEST_F(ClockTest, ShufflesEveryRandMeasuresKeepingTheSteps) {
    randomEngine().seed(12345);
    PatternPtr p = instrument("kick", "##--##--");
    p->rand = 2;
    auto orders = orderAtEachMeasure(p, 6);
    // The counter runs 1, 0, 1, 0...: shuffles at the starts of measures 2, 4 and 6.
    EXPECT_EQ(orders[0], "01234567");
    EXPECT_NE(orders[1], orders[0]);
    EXPECT_EQ(orders[2], orders[1]);
    EXPECT_NE(orders[3], orders[2]);
    EXPECT_EQ(orders[4], orders[3]);
    EXPECT_NE(orders[5], orders[4]);

    int on = 0;
    std::string sorted = orders[5];
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, "01234567") << "a shuffle moves whole steps";
    for (const Step& step : p->steps) on += step.on;
    EXPECT_EQ(on, 4);
}

TEST_F(ClockTest, RandZeroStopsShufflingAndResetsTheCounter) {
    PatternPtr p = instrument("kick", "##--##--");
    p->rand = 4;
    orderAtEachMeasure(p, 2);
    EXPECT_EQ(p->randCounter, 2);
    p->rand = 0;
    period(24001);
    EXPECT_EQ(p->randCounter, 0);
    auto orders = orderAtEachMeasure(p, 3);
    EXPECT_EQ(orders[0], orders[2]);
}

TEST_F(ClockTest, AMutedInstrumentIsStillShuffled) {
    randomEngine().seed(99);
    PatternPtr p = instrument("kick", "########");
    p->rand = 1;
    p->active = false;
    auto orders = orderAtEachMeasure(p, 1);
    EXPECT_NE(orders[0], "01234567");
    EXPECT_TRUE(triggers.empty());
}

// A timeline from outside, followed period by period: the steps and the frames they begin at.
struct TimelineCase {
    const char* what;
    double firstBeat;
    double beatsPerSecond;
    int32_t periodFrames;
    double roughness;  // how far each period's beat may stray from the exact one, in beats
    std::vector<int> steps;
    std::vector<int64_t> frames;
};

TEST(TimelineClock, StepsBeginOnTheHalfBeatsAndStepZeroOnTheBarLines) {
    const TimelineCase cases[] = {
        {"a bar line begins step 0 at its exact frame", 3.9, 2, 1024, 0, {0, 1, 2}, {4800, 28800, 52800}},
        {"joining within a measure lines up at the next bar line", 1.9, 2, 1024, 0,
         {0, 1, 2, 3, 0}, {4800, 28800, 52800, 76800, 100800}},
        {"periods that meet only roughly begin each half beat once", 3.9, 2, 480, 2e-5,
         {0, 1, 2, 3, 4}, {4800, 28800, 52800, 76800, 100800}},
        {"a fast tempo with long periods begins several steps in one", 3.9, 16, 8192, 0,
         {0, 1, 2, 3, 4, 5, 6, 7, 0}, {600, 3600, 6600, 9600, 12600, 15600, 18600, 21600, 24600}},
        {"a rate of zero begins nothing", 3.9, 0, 1024, 0, {}, {}},
    };
    std::mt19937 rough(3);
    for (const TimelineCase& c : cases) {
        Sequencer sequencer;
        sequencer.sampleExists = [](const std::string&) { return true; };
        sequencer.getOrCreatePattern("kick")->steps.fill({true, 0});
        std::vector<int> steps;
        std::vector<int64_t> frames;
        int64_t done = 0;
        sequencer.onTrigger = [&](const PatternPtr&, int step, int32_t startFrame) {
            steps.push_back(step);
            frames.push_back(done + startFrame);
        };
        const double beatsPerFrame = c.beatsPerSecond / 96000;
        std::uniform_real_distribution<double> stray(-c.roughness, c.roughness);
        for (; done < 110000; done += c.periodFrames) {
            const BeatTimeline timeline{c.firstBeat + done * beatsPerFrame + stray(rough), beatsPerFrame};
            sequencer.tick(c.periodFrames, 96000, &timeline);
        }
        const auto end = std::find_if(frames.begin(), frames.end(), [&](int64_t f) {
            return f > (c.frames.empty() ? 0 : c.frames.back() + 2);
        });
        steps.resize(end - frames.begin());
        frames.erase(end, frames.end());
        EXPECT_EQ(steps, c.steps) << c.what;
        ASSERT_EQ(frames.size(), c.frames.size()) << c.what;
        for (size_t i = 0; i < frames.size(); ++i) EXPECT_NEAR(frames[i], c.frames[i], 2) << c.what << ", step " << i;
    }
}

TEST_F(ClockTest, WhereTheCountingClockStandsInTheMeasure) {
    EXPECT_DOUBLE_EQ(sequencer.measureBeat(96000), -0.5) << "before the first step";
    period(12000);
    EXPECT_DOUBLE_EQ(sequencer.measureBeat(96000), -0.25);
    period(24000);
    EXPECT_DOUBLE_EQ(sequencer.measureBeat(96000), 0.25) << "step 0 began at frame 24000";
}

TEST_F(ClockTest, APeersTempoEndsARunningTempoChange) {
    sequencer.animateBpm(160, 5);
    for (int i = 0; i < 100; ++i) period(960);
    steps.clear();
    sequencer.followTempo(100);
    sequencer.followPlaying(false);
    EXPECT_EQ(steps.size(), 2u) << "the screen is told of both";
    sequencer.followPlaying(true);
    for (int i = 0; i < 600; ++i) period(960);
    EXPECT_EQ(sequencer.bpm.load(), 100);
}

}  // namespace
}  // namespace zaffo
