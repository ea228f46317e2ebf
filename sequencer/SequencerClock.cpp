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

void Sequencer::tick(int32_t frameCount, int32_t sampleRate) {
    if (frameCount <= 0 || sampleRate <= 0) {
        return;
    }
    // A tempo below 1 can come from a file or a part; it must never divide by zero.
    const int64_t tempo = std::max<int32_t>(bpm.load(), 1);
    const int64_t framesPerBeat = int64_t{sampleRate} * 60 / tempo;
    const int64_t stepFrames = framesPerBeat / stepsPerBeat;

    if (!playing.load()) {
        return;
    }
    const int64_t countedBefore = frameAccumulator;
    frameAccumulator += frameCount;

    std::lock_guard lock(sequencerMutex);
    if (bpmTarget > 0) {
        animateTempoLocked(frameCount, sampleRate);
    }
    if (frameAccumulator > stepFrames) {
        // The step begins at the first frame at which the counted frames pass the step length;
        // a step that is already overdue (the tempo rose, or periods are longer than steps)
        // begins at the start of this period.
        const int64_t startFrame = std::clamp<int64_t>(stepFrames - countedBefore, 0, frameCount - 1);
        // From now on count the frames since this step began. When the step was on time this
        // is the remainder past the step length, so the average step lasts exactly stepFrames.
        frameAccumulator = frameCount - startFrame;
        advanceLocked(static_cast<int32_t>(startFrame));
    }
}

void Sequencer::animateTempoLocked(int32_t frameCount, int32_t sampleRate) {
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
    bpm.store(static_cast<int32_t>(tempo));
}

void Sequencer::advanceLocked(int32_t startFrame) {
    step = (step + 1) % stepsPerPattern;
    if (step == 0 && cueWaiting) {
        takeCueLocked();
    }
    displayStep.store(step);
    if (onStep) {
        onStep(step, startFrame);
    }
    for (const PatternPtr& pattern : patterns) {
        countMeasure(*pattern, step);
        if (pattern->active && pattern->steps[step].on && onTrigger) {
            onTrigger(pattern, step, startFrame);
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
    std::lock_guard lock(sequencerMutex);
    bpmElapsed = 0;
    bpmDuration = seconds >= 0 ? seconds : 0;  // also turns NaN into "at once"
    bpmTarget = targetBpm;
    bpmStart = bpm.load();
}

}  // namespace zaffo
