#include "sequencer/Random.h"
#include "sequencer/Sequencer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace zaffo {
namespace {

// Drives a sequencer with periods and records from each report the frame (from the clock's first) at which every step
// begins, the steps begun, and every trigger as "name step@frame".
struct Clock {
    Clock() {
        sequencer.sampleExists = [](const std::string&) { return true; };
    }

    void periods(int count, int32_t frames, int32_t sampleRate = 96000, const BeatTimeline* timeline = nullptr) {
        for (int i = 0; i < count; ++i, done += frames) {
            report.clear();
            sequencer.tick(period = frames, sampleRate, report, timeline);
            read(report);
        }
    }

    void read(const PeriodReport& report) {
        for (const ClockEvent& e : report.events()) {
            if (e.kind == ClockEvent::Kind::step) {
                frames.push_back(done + e.frame);
                steps += std::to_string(e.step);
            } else if (e.kind == ClockEvent::Kind::trigger) {
                EXPECT_TRUE(e.frame >= 0 && e.frame < period) << e.frame;
                played += e.instrument->name + std::to_string(e.step) + "@" + std::to_string(done + e.frame) + " ";
            } else {
                changes += (e.kind == ClockEvent::Kind::tempo ? "bpm" : "play") + std::to_string(e.value) + " ";
            }
        }
    }

    // An instrument whose steps carry the pitches 0..7, so that their order shows after a shuffle.
    PatternPtr instrument(const std::string& name, const std::string& on) {
        PatternPtr p = sequencer.getOrCreatePattern(name);
        for (size_t i = 0; i < 8; ++i) p->steps[i] = {on[i] == '#', static_cast<int32_t>(i)};
        return p;
    }
    static std::string order(const PatternPtr& p) {
        std::string order;
        for (const Step& step : p->steps) order += std::to_string(step.pitch);
        return order;
    }

    Sequencer sequencer;
    PeriodReport report;
    std::vector<int64_t> frames;
    std::string steps, played, changes;
    int64_t done = 0;
    int32_t period = 0;
};

class ClockTest : public ::testing::Test, public Clock {};

struct Periods {
    int count;
    int32_t frames;
    int32_t bpm = 120;
    bool playing = true;
};

// What, the sample rate, the periods given, the frames at which steps begin. 44100 Hz at 130 beats per minute: a beat
// is 20353 frames, a step 10176.
const std::tuple<const char*, int32_t, std::vector<Periods>, std::vector<int64_t>> stepCases[] = {
    {"a step begins once the count passes half a beat", 44100, {{1, 10176, 130}, {1, 1, 130}}, {10176}},
    {"a huge period begins one step, the next one at once", 96000, {{1, 120000}, {1, 1}}, {24000, 120000}},
    {"a faster tempo ends a step", 96000, {{1, 24001}, {10, 1000}, {25, 500, 480}}, {24000, 34001, 40001, 46001}},
    {"a tempo below 1 never divides by zero", 96000, {{1, 1000, 0}, {1, 1000, -5}}, {}},
    {"pausing stops the count", 96000, {{1, 24001}, {100, 1000, 120, false}, {1, 1}}, {24000}},
};

TEST(Clock, StepsBeginWhereTheCountedFramesPassTheStepLength) {
    for (const auto& [what, sampleRate, periods, steps] : stepCases) {
        Clock clock;
        for (const Periods& p : periods) {
            clock.sequencer.bpm = p.bpm;
            clock.sequencer.playing = p.playing;
            clock.periods(p.count, p.frames, sampleRate);
        }
        EXPECT_EQ(clock.frames, steps) << what;
    }
}

TEST_F(ClockTest, StepsFallExactlyAStepApartWhateverThePeriods) {
    std::mt19937 sizes(7);
    std::uniform_int_distribution<int32_t> irregular(1, 8192);  // as a device under load delivers them
    for (int32_t size : {64, 441, 512, 1024, 4096, 0}) {
        frames.clear();
        while (frames.size() < 300) periods(1, size ? size : irregular(sizes));
        for (size_t i = 1; i < frames.size(); ++i) ASSERT_EQ(frames[i] - frames[i - 1], 24000) << size << ", " << i;
    }
}

TEST_F(ClockTest, ACuedPartBeginsOnTheNextMeasureAtItsOwnTempo) {
    PatternPtr kick = instrument("kick", "########");
    sequencer.bpm = 240;
    ASSERT_TRUE(sequencer.storePart("fast"));
    sequencer.editPattern(kick, [](SequencerPattern& p) { p.steps = {Step{true, 0}}; });
    sequencer.bpm = 120;
    EXPECT_FALSE(sequencer.cuePart("none"));
    periods(1, 24001);
    ASSERT_TRUE(sequencer.cuePart("fast"));
    periods(214, 1000);
    // The live measure plays out at 120; the part's first step follows it, 12000 frames a step.
    EXPECT_EQ(played, "kick0@24000 kick0@216000 kick1@228000 ");
    EXPECT_EQ(sequencer.bpm.load(), 240);
    EXPECT_EQ(changes, "bpm240 ") << "the part's tempo is reported";
}

// The owner reads a report after the clock let go of its lock: the instruments stay alive until no report holds them.
TEST_F(ClockTest, AReportKeepsWhatTheClockSawUntilTheNextPeriod) {
    PatternPtr kick = instrument("kick", "########");
    kick->steps[0].pitch = 3;
    periods(1, 24001);
    sequencer.editPattern(kick, [](SequencerPattern& p) { p.volume = 0.25f; });
    sequencer.removePattern("kick");
    sequencer.clearAll();
    const std::weak_ptr<SequencerPattern> removed = kick;
    kick.reset();
    ASSERT_FALSE(removed.expired()) << "the report holds it";
    ASSERT_EQ(report.events().size(), 2u);
    const ClockEvent& hit = report.events()[1];
    EXPECT_EQ(std::tuple(hit.instrument->name, hit.volume, hit.pitch), std::tuple("kick", 1.0f, 3));

    periods(1, 24000);  // the next step pins the empty list; the next edit lets go of the old one
    instrument("snare", "--------");
    EXPECT_TRUE(removed.expired());

    sequencer.followTempo(133, report);
    sequencer.followPlaying(false, report);
    read(report);
    EXPECT_EQ(changes, "bpm133 play0 ");
    EXPECT_EQ(std::pair(sequencer.bpm.load(), sequencer.playing.load()), std::pair(133, false));
}

TEST(PeriodReport, TriggersBeyondItsRoomAreLeftOutButStepsNever) {
    Clock clock;
    clock.report = PeriodReport(1);
    clock.instrument("kick", "########");
    clock.instrument("snare", "########");
    clock.periods(2, 24001);
    EXPECT_EQ(std::tuple(clock.steps, clock.played, clock.report.triggersLeftOut()),
              std::tuple("01", "kick0@24000 kick1@48000 ", 2u));
}

TEST_F(ClockTest, OnlyOnStepsOfPlayingInstrumentsSoundAndEachShufflesEveryRandMeasures) {
    randomEngine().seed(12345);
    PatternPtr kick = instrument("kick", "#-#-----");
    PatternPtr snare = instrument("snare", "########");
    snare->active = false;
    snare->rand = 1;
    periods(8, 24001);
    EXPECT_EQ(played, "kick0@24000 kick2@72000 ");
    EXPECT_NE(order(snare), "01234567") << "a muted instrument is still shuffled";

    // Whether the kick's steps moved in the next measure.
    auto moved = [&] {
        const std::string before = order(kick);
        periods(8, 24001);
        return order(kick) == before ? '-' : '#';
    };
    kick->rand = 2;
    EXPECT_EQ((std::string{moved(), moved(), moved(), moved(), moved()}), "-#-#-") << "the counter runs 1, 0, 1...";
    for (const Step& step : kick->steps) EXPECT_EQ(step.on, step.pitch == 0 || step.pitch == 2) << "whole steps move";
    kick->rand = 0;
    periods(1, 24001);
    EXPECT_EQ(kick->randCounter, 0) << "rand 0 resets the counter";
    EXPECT_EQ((std::string{moved(), moved()}), "--") << "and stops shuffling";
}

TEST_F(ClockTest, TempoChangesFollowAHalfCosineAndWaitWhilePaused) {
    sequencer.animateBpm(160, 5);
    // Periods of 1/128 s (exact in binary): 640 of them make the 5 seconds, slow at both ends.
    for (int i = 1; i <= 640; ++i) {
        periods(1, 512, 65536);
        ASSERT_NEAR(sequencer.bpm.load(), 140 - 20 * std::cos(M_PI * i / 640), 1) << "period " << i;
    }
    EXPECT_EQ(sequencer.bpm.load(), 160);
    periods(1, 512, 65536);  // finds the 5 seconds elapsed: ends the animation
    sequencer.bpm = 150;
    periods(1, 512, 65536);
    EXPECT_EQ(sequencer.bpm.load(), 150) << "nothing overwrites the tempo any more";

    sequencer.playing = false;
    sequencer.animateBpm(100, 0);
    sequencer.animateBpm(0, 0);  // targets below 1 start nothing
    sequencer.animateBpm(-3, 1);
    periods(100, 1000);
    EXPECT_EQ(sequencer.bpm.load(), 150) << "paused, nothing changes";
    sequencer.playing = true;
    periods(1, 1);
    EXPECT_EQ(sequencer.bpm.load(), 100) << "the stored target is applied on the first tick";
}

// A timeline from outside, followed period by period for 110000 frames: what, its first beat, beats per second, the
// period, how far each period's beat may stray from the exact one, the steps begun, and the frame where the first
// begins (every later one begins a half beat after the one before).
const std::tuple<const char*, double, double, int32_t, double, std::string, int64_t> timelineCases[] = {
    {"joining mid-measure lines up at the next bar line", 1.9, 2, 1024, 0, "01230", 4800},
    {"periods that meet roughly begin each half beat once", 3.9, 2, 480, 2e-5, "01234", 4800},
    {"a fast tempo begins steps by the period", 3.9, 16, 8192, 0, "012345670123456701234567012345670123456", 600},
    {"a rate of zero begins nothing", 3.9, 0, 1024, 0, "", 0},
};

TEST(TimelineClock, StepsBeginOnTheHalfBeatsAndStepZeroOnTheBarLines) {
    std::mt19937 rough(3);
    for (const auto& [what, firstBeat, beatsPerSecond, period, roughness, steps, firstFrame] : timelineCases) {
        const double beatsPerFrame = beatsPerSecond / 96000;
        std::uniform_real_distribution<double> stray(-roughness, roughness);
        Clock clock;
        while (clock.done < 110000) {
            const BeatTimeline timeline{firstBeat + clock.done * beatsPerFrame + stray(rough), beatsPerFrame};
            clock.periods(1, period, 96000, &timeline);
        }
        EXPECT_EQ(clock.steps, steps) << what;
        for (size_t i = 0; i < clock.frames.size(); ++i)
            EXPECT_NEAR(clock.frames[i], firstFrame + i * 0.5 / beatsPerFrame, 2) << what << ", step " << i;
    }
}

}  // namespace
}  // namespace zaffo
