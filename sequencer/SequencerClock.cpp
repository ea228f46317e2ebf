#include "sequencer/Random.h"
#include "sequencer/Sequencer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace zaffo {
namespace {

constexpr int64_t stepsPerBeat = 2;

void shuffle(Steps& steps) {
    auto& engine = randomEngine();
    auto& distribution = stepDistribution();
    for (int i = stepsPerPattern - 1; i >= 0; --i) {
        std::swap(steps[i], steps[distribution(engine)]);
    }
}

// Counts measures at their first step and shuffles the instrument when its period comes round.
void countMeasure(SequencerPattern& pattern, int step) {
    if (pattern.rand <= 0) {
        pattern.randCounter = 0;
        return;
    }
    if (step != 0) {
        return;
    }
    // A counter loaded from elsewhere may lie outside 0..rand-1; the modulo brings it back.
    pattern.randCounter = static_cast<int32_t>((int64_t{pattern.randCounter} + 1) % pattern.rand);
    if (pattern.randCounter == 0) {
        shuffle(pattern.steps);
    }
}

}  // namespace

int64_t Sequencer::stepFramesAt(int32_t sampleRate) const {
    // A tempo below 1 can come from a file or a part; it must never divide by zero.
    const int64_t tempo = std::max<int32_t>(bpm.load(), 1);
    const int64_t framesPerBeat = int64_t{sampleRate} * 60 / tempo;
    return framesPerBeat / stepsPerBeat;
}

void Sequencer::tick(int32_t frameCount, int32_t sampleRate, PeriodReport& report, const BeatTimeline* timeline) {
    if (frameCount <= 0 || sampleRate <= 0) {
        return;
    }
    const int64_t stepFrames = stepFramesAt(sampleRate);

    if (!playing.load()) {
        return;
    }
    const int64_t countedBefore = frameAccumulator;
    frameAccumulator += frameCount;

    std::lock_guard lock(sequencerMutex);
    if (bpmTarget > 0) {
        animateTempoLocked(frameCount, sampleRate, report);
    }
    if (timeline) {
        followTimelineLocked(*timeline, frameCount, report);
        return;
    }
    timelineReach = std::nan("");
    if (frameAccumulator > stepFrames) {
        // The step begins at the first frame at which the counted frames pass the step length;
        // a step that is already overdue (the tempo rose, or periods are longer than steps)
        // begins at the start of this period.
        const int64_t startFrame = std::clamp<int64_t>(stepFrames - countedBefore, 0, frameCount - 1);
        // From now on count the frames since this step began. When the step was on time this
        // is the remainder past the step length, so the average step lasts exactly stepFrames.
        frameAccumulator = frameCount - startFrame;
        advanceLocked(static_cast<int32_t>(startFrame), report);
    }
}

void Sequencer::animateTempoLocked(int32_t frameCount, int32_t sampleRate, PeriodReport& report) {
    double tempo = bpmTarget;
    if (bpmElapsed >= bpmDuration) {
        bpmTarget = 0;
    } else {
        bpmElapsed += static_cast<double>(frameCount) / sampleRate;
        // The last tick of an animation may pass its end; beyond it the curve would turn back.
        const double x = std::min(bpmElapsed / bpmDuration, 1.0);
        const double t = (std::sin(x * 3.14159265359 - 1.570796326795) + 1) * 0.5;
        tempo = (1 - t) * bpmStart + t * bpmTarget;
    }
    const auto next = static_cast<int32_t>(tempo);
    if (bpm.exchange(next) != next) {
        report.add({.kind = ClockEvent::Kind::tempo, .step = displayStep.load(), .value = next});
    }
}

void Sequencer::advanceLocked(int32_t startFrame, PeriodReport& report) {
    step = (step + 1) % stepsPerPattern;
    if (step == 0 && cueWaiting) {
        takeCueLocked(startFrame, report);
    }
    displayStep.store(step);
    report.pin(patterns);
    report.add({.kind = ClockEvent::Kind::step, .frame = startFrame, .step = step});
    for (const PatternPtr& pattern : *patterns) {
        countMeasure(*pattern, step);
        if (pattern->active && pattern->steps[step].on) {
            report.add({.kind = ClockEvent::Kind::trigger,
                        .frame = startFrame,
                        .step = step,
                        .instrument = pattern.get(),
                        .volume = pattern->volume,
                        .pitch = pattern->steps[step].pitch,
                        .midiNote = pattern->midiNote,
                        .midiChannel = pattern->midiChannel});
        }
    }
}

void Sequencer::startOver() {
    std::lock_guard lock(sequencerMutex);
    step = -1;
    displayStep.store(0);
    bpmTarget = 0;
    // Counted past any step length, so the first step is due at once.
    frameAccumulator = std::numeric_limits<int32_t>::max();
}

void Sequencer::animateBpm(int32_t targetBpm, double seconds) {
    if (targetBpm <= 0) {
        return;
    }
    edits.fetch_add(1);
    std::lock_guard lock(sequencerMutex);
    bpmElapsed = 0;
    bpmDuration = seconds >= 0 ? seconds : 0;  // also turns NaN into "at once"
    bpmTarget = targetBpm;
    bpmStart = bpm.load();
}

// Following a timeline, steps begin at the frames where it passes a half beat. Half beat n is
// counted from the timeline's beat 0, so bar lines are the multiples of eight.
void Sequencer::followTimelineLocked(const BeatTimeline& timeline, int32_t frameCount, PeriodReport& report) {
    if (!std::isfinite(timeline.beat) || !(timeline.beatsPerFrame > 0) || std::abs(timeline.beat) > 1e12) {
        timelineReach = std::nan("");
        return;
    }
    const double lastFrameBeat = timeline.beat + timeline.beatsPerFrame * (frameCount - 1);
    // Periods meet only roughly on the timeline. A half beat that fell between the last frame of
    // the previous period and the first of this one is overdue and begins at once; one that the
    // previous period reached already is not begun again. A timeline that jumped, or one just
    // taken up, goes on from its next half beat.
    const bool continues = std::abs(timelineReach - timeline.beat) < 0.5;  // false for NaN
    int64_t next = continues ? static_cast<int64_t>(std::floor(timelineReach * stepsPerBeat)) + 1
                             : static_cast<int64_t>(std::ceil(timeline.beat * stepsPerBeat));
    const auto last = static_cast<int64_t>(std::floor(lastFrameBeat * stepsPerBeat));
    next = std::max(next, last + 1 - stepsPerPattern);
    timelineReach = lastFrameBeat;
    for (int64_t halfBeat = next; halfBeat <= last; ++halfBeat) {
        const double framesAhead =
            std::ceil((static_cast<double>(halfBeat) / stepsPerBeat - timeline.beat) / timeline.beatsPerFrame);
        const auto startFrame = static_cast<int32_t>(std::clamp<double>(framesAhead, 0, frameCount - 1));
        // A bar line begins step 0 whatever step came before: joining a session that is already
        // playing lines the measure up with its next bar line.
        if (halfBeat % (stepsPerBeat * 4) == 0) {
            step = stepsPerPattern - 1;
        }
        frameAccumulator = frameCount - startFrame;
        advanceLocked(startFrame, report);
    }
}

double Sequencer::measureBeat(int32_t sampleRate) const {
    const auto stepFrames = static_cast<double>(std::max<int64_t>(stepFramesAt(sampleRate), 1));
    const double intoStep = std::min(static_cast<double>(frameAccumulator) / stepFrames, 1.0);
    return (step + intoStep) / stepsPerBeat;
}

void Sequencer::followTempo(int32_t tempo, PeriodReport& report) {
    std::lock_guard lock(sequencerMutex);
    bpmTarget = 0;
    bpm.store(tempo);
    report.add({.kind = ClockEvent::Kind::tempo, .step = displayStep.load(), .value = tempo, .fromOutside = true});
}

void Sequencer::followPlaying(bool on, PeriodReport& report) {
    std::lock_guard lock(sequencerMutex);
    playing.store(on);
    report.add({.kind = ClockEvent::Kind::playing, .step = displayStep.load(), .value = on, .fromOutside = true});
}

}  // namespace zaffo
