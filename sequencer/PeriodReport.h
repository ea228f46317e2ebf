#pragma once

#include "sequencer/SequencerPattern.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zaffo {

// One thing the clock did in a period, at a frame of that period.
struct ClockEvent {
    enum class Kind : std::uint8_t {
        step,     // a step begins
        trigger,  // an instrument sounds on the step that just began
        tempo,    // the tempo changed (a tempo change, a cued part, another player)
        playing,  // another player started or stopped the clock
    };

    Kind kind = Kind::step;
    std::int32_t frame = 0;
    // The step that begins; for tempo and playing, the step the clock stands on.
    std::int32_t step = 0;
    // trigger: the instrument, and its volume and the step's pitch as they were when the step
    // began. The instrument stays valid while the report holds it.
    const SequencerPattern* instrument = nullptr;
    float volume = 0;
    std::int32_t pitch = 0;
    // trigger: the MIDI note and channel the instrument sends, if any.
    std::int32_t midiNote = noMidiNote;
    std::int32_t midiChannel = defaultMidiChannel;
    // tempo: the new tempo; playing: 1 or 0.
    std::int32_t value = 0;
    // tempo and playing: chosen by another player rather than by this clock.
    bool fromOutside = false;
};

// What the clock did in one period, in the order it happened: filled by Sequencer::tick under
// the sequencer's lock, read by its owner after the lock is let go. Made once, with room reserved
// up front, and reused period after period, so the audio thread never allocates for it.
//
// The report holds the instrument list that the period played from, so that a trigger's
// instrument outlives an edit made meanwhile. The sequencer keeps every list it replaces until
// no report holds it, so letting go of one here never frees anything.
class PeriodReport {
public:
    using InstrumentList = std::vector<std::shared_ptr<SequencerPattern>>;

    // Steps, tempo and play changes always find room: a period begins at most a measure of steps.
    // Triggers beyond `triggerRoom` in one period are left out and counted.
    static constexpr std::size_t controlRoom = 64;
    static constexpr std::size_t defaultTriggerRoom = 4096;

    explicit PeriodReport(std::size_t triggerRoom = defaultTriggerRoom);

    const std::vector<ClockEvent>& events() const { return events_; }
    // The frames of the period reported.
    std::int32_t frames() const { return frames_; }
    void setFrames(std::int32_t frames) { frames_ = frames; }
    // Triggers left out since the report was made, for want of room.
    std::uint64_t triggersLeftOut() const { return leftOut_; }

    // Starts the next period. Keeps the instrument list until the clock pins the next one.
    void clear() {
        events_.clear();
        triggers_ = 0;
    }
    void add(const ClockEvent& event);
    void pin(const std::shared_ptr<const InstrumentList>& instruments);

    // Drops the triggers from the event at `first` on, keeping everything else in order.
    void dropTriggersFrom(std::size_t first);

private:
    std::vector<ClockEvent> events_;
    std::size_t triggerRoom_;
    std::size_t triggers_ = 0;
    std::int32_t frames_ = 0;
    std::uint64_t leftOut_ = 0;
    std::shared_ptr<const InstrumentList> pinned_;
};

}  // namespace zaffo
