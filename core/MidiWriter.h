#pragma once

#include "audio/MidiQueue.h"
#include "core/Core.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zaffo {

class Sequencer;

// Turns each period's report into MIDI on the queue, at the frames where things happen: the clock's 24 pulses per
// beat (each step's frames divided into 12, at the tempo of the moment), Song Position Pointer and Start at the
// first step 0 after play begins, Stop when it stops, and a note for each trigger of an instrument that sends one,
// its velocity from the volume (1 = 127), its note-off noteFrames later. On the audio thread; never allocates.
class MidiWriter : public PeriodReader {
public:
    static constexpr std::int64_t noteFrames = 4800;  // 50 ms at the engine's rate
    static constexpr std::uint8_t clockPulse = 0xF8, start = 0xFA, stop = 0xFC, songPosition = 0xF2;

    MidiWriter(const Sequencer& sequencer, MidiQueue& queue) : sequencer_(sequencer), queue_(queue) {}
    void readPeriod(PeriodReport& report) override;

private:
    static constexpr int pulsesPerStep = 12;
    struct NoteOff {
        std::int64_t frame;
        std::uint8_t status, note;
    };

    void followPlaying(std::int64_t periodStart);
    void pulsesBefore(std::int64_t frame, std::int64_t stepFrames);
    void note(const ClockEvent& trigger, std::int64_t frame);
    void noteOffsBefore(std::int64_t frame);
    void add(std::int64_t frame, std::uint8_t size, std::uint8_t status, std::uint8_t data1 = 0,
             std::uint8_t data2 = 0);
    void send();

    const Sequencer& sequencer_;
    MidiQueue& queue_;
    bool wasPlaying_ = false;
    bool startDue_ = false;
    std::int64_t stepStart_ = -1;  // the engine frame of the step that pulses now, or none
    int pulsesSent_ = pulsesPerStep;
    std::array<NoteOff, 128> noteOffs_{};
    std::size_t noteOffCount_ = 0;
    std::array<MidiMessage, 512> period_{};  // this period's messages, sorted before they are sent
    std::size_t periodCount_ = 0;
};

}  // namespace zaffo
