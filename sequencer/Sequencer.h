#pragma once

#include "sequencer/PeriodReport.h"
#include "sequencer/SequencerPattern.h"
#include "sequencer/SequencerSnapshot.h"
#include "sequencer/SequencerState.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace picojson {
class value;
}

namespace zaffo {

using PatternPtr = std::shared_ptr<SequencerPattern>;
using PartPtr = std::shared_ptr<SequencerState>;

// A beat clock kept outside the program (a session shared with other players), as it stands for
// one period: the beat at the period's first frame, with a bar line on every multiple of four
// beats, and how far each frame moves it.
struct BeatTimeline {
    double beat = 0;
    double beatsPerFrame = 0;
};

// The step sequencer: the tempo, the live instruments, the stored parts, and the clock that the
// audio device drives by handing it the frame count of every period. It has no thread of its own.
//
// The clock runs on the audio thread under sequencerMutex and calls out to nobody: it writes what
// it did into a PeriodReport that its caller reads once the lock is let go. Every other operation
// takes editMutex first (the lock order of the program is in ARCHITECTURE.md). The live list is
// never changed in place: a new list is built under editMutex alone and swapped in under
// sequencerMutex, and the old one is kept until no report holds it any more, then let go of by
// an editing thread. A live instrument's name never changes (a rename makes a new instrument),
// so a report's triggers read it freely; the fields the clock changes are read under
// sequencerMutex.
class Sequencer {
public:
    Sequencer() = default;
    virtual ~Sequencer() = default;
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    // Whether a sample of that name is loaded; without it no instrument can be created. Called
    // under editMutex.
    std::function<bool(const std::string& name)> sampleExists;

    std::atomic<bool> playing{true};
    std::atomic<int32_t> bpm{120};

    // The clock: counts the frames of one audio period and advances at most one step. Given a
    // timeline, it follows that instead: a step begins at the frame of each half beat, and every
    // bar line begins step 0. Adds to `report` each step that begins, each instrument that sounds
    // on it and each change of tempo, in order, and pins the instrument list they came from.
    void tick(int32_t frameCount, int32_t sampleRate, PeriodReport& report, const BeatTimeline* timeline = nullptr);
    // How far the frame-counting clock is into the measure, in beats: 0 where step 0 begins,
    // -0.5 before the first step. Audio thread only, like the clock.
    double measureBeat(int32_t sampleRate) const;
    // A tempo or a play state chosen by another player: taken over at once (a new tempo also ends
    // a running tempo change) and added to the period's report. Audio thread, like the clock.
    void followTempo(int32_t tempo, PeriodReport& report);
    void followPlaying(bool on, PeriodReport& report);
    // Moves the tempo to `targetBpm` along a half cosine over `seconds` (0: at the next tick).
    void animateBpm(int32_t targetBpm, double seconds);
    int32_t getCurrentStep() const { return displayStep.load(); }
    // Puts the clock before the first step, which then begins at the first frame of the next
    // tick, and ends a tempo animation. Only while no device drives the clock.
    void startOver();

    // The live instruments.
    PatternPtr findPattern(const std::string& name);
    PatternPtr getOrCreatePattern(const std::string& name);
    std::vector<PatternPtr> getPatterns();
    size_t patternCount();
    // Copies of the live instruments (of the first `most` of them), made one by one: safe to read
    // while the clock shuffles the originals.
    std::vector<SequencerPattern> getPatternCopies(size_t most = SIZE_MAX);
    void removePattern(const std::string& name);
    void renamePattern(const std::string& oldName, const std::string& newName);
    void clearAll();
    // Changes an instrument under the sequencer lock, so that the clock never sees it half-written.
    // The edit sets steps, volume, rand or mute; it must not rename, allocate or free.
    void editPattern(const PatternPtr& pattern, const std::function<void(SequencerPattern&)>& edit);

    // Parts: named snapshots of the tempo and of copies of the live instruments.
    bool storePart(const std::string& name);
    bool recallPart(const std::string& name);
    // Recalls the part when the clock next comes to the first step, before that step sounds, so
    // that the part begins on the measure and the measure before keeps its own tempo to the end.
    // False when there is no such part. A later cue replaces an earlier one still waiting.
    bool cuePart(const std::string& name);
    bool removePart(const std::string& name);
    std::vector<std::string> getPartNames();

    // The tempo, the instruments and the parts by value, and back: restoring ends a tempo change
    // and a cue. Edits counts every change made through the operations above (not the clock's
    // own shuffles and tempo steps), so a caller can tell whether anything was edited at all.
    SequencerSnapshot snapshot();
    void restore(const SequencerSnapshot& state);
    uint64_t editCount() const { return edits.load(); }

    // Compositions: the tempo, the instruments and the parts as a JSON document, and back.
    picojson::value toJson();
    // Replaces tempo, instruments and parts by the document's; false when it is not an object.
    bool fromJson(const picojson::value& root);
    // An instrument from one entry of a document; empty when the entry is not usable. With
    // `existing` (a live instrument of the entry's name), that one is updated instead of a new
    // one made.
    PatternPtr readInstrument(const picojson::value& entry, const PatternPtr& existing);

    // The frames of a step at the tempo of the moment; any thread.
    int64_t stepFramesAt(int32_t sampleRate) const;

private:
    using PatternList = std::vector<PatternPtr>;
    using PatternListPtr = std::shared_ptr<const PatternList>;

    // These need editMutex held.
    PatternPtr findPatternLocked(const std::string& name) const;
    PartPtr findPartLocked(const std::string& name) const;
    SequencerPattern copyOfLocked(const SequencerPattern& live) const;
    static PatternListPtr instrumentsOf(const SequencerState& part);
    void publishLocked(PatternListPtr& next);
    // Keeps a list that is no longer live until no report holds it, and lets go of those that
    // no report holds any more.
    void retireLocked(PatternListPtr& old);
    // The live list as it stands; the clock may swap in a cued part at any time.
    PatternListPtr liveList() const;

    void animateTempoLocked(int32_t frameCount, int32_t sampleRate, PeriodReport& report);
    void advanceLocked(int32_t startFrame, PeriodReport& report);
    void takeCueLocked(int32_t startFrame, PeriodReport& report);
    void followTimelineLocked(const BeatTimeline& timeline, int32_t frameCount, PeriodReport& report);

    mutable std::mutex editMutex;  // parts, and every change of the live list
    std::atomic<uint64_t> edits{0};
    mutable std::mutex sequencerMutex;  // what the clock touches
    PatternListPtr patterns = std::make_shared<const PatternList>();
    std::vector<PartPtr> parts;
    // Lists that were live and that a report may still hold; editMutex guards it.
    std::vector<PatternListPtr> retired;
    // A cued part's instruments, copied by cuePart; after the clock swaps them in they hold the
    // instruments they replaced, so that the next cue frees those and the clock frees nothing.
    PatternListPtr cuedPatterns = std::make_shared<const PatternList>();
    int32_t cuedBpm = 0;
    bool cueWaiting = false;
    std::atomic<int32_t> displayStep{0};
    double bpmTarget = 0;  // > 0 only while a tempo animation runs
    double bpmStart = 0;
    double bpmDuration = 0;
    double bpmElapsed = 0;
    int32_t step = -1;
    // Frames counted since the current step began; touched by the audio thread alone.
    int64_t frameAccumulator = 0;
    // The beat of a followed timeline at the last frame of the previous period, NaN when the
    // previous period followed none; touched by the audio thread alone.
    double timelineReach = std::numeric_limits<double>::quiet_NaN();
};

}  // namespace zaffo
