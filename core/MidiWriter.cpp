#include "core/MidiWriter.h"

#include "audio/AudioBuffer.h"
#include "audio/AudioEngine.h"
#include "sequencer/Sequencer.h"

#include <algorithm>
#include <cmath>

namespace zaffo {

void MidiWriter::readPeriod(PeriodReport& report) {
    if (!queue_.isOpen()) {
        wasPlaying_ = false;
        stepStart_ = -1;
        return;
    }
    const auto periodStart = static_cast<std::int64_t>(queue_.periodStart());
    const std::int64_t periodEnd = periodStart + report.frames();
    const std::int64_t stepFrames = sequencer_.stepFramesAt(engineSampleRate);
    periodCount_ = 0;
    // A note that ends where the same note begins again ends first.
    noteOffsBefore(periodEnd);
    followPlaying(periodStart);
    for (const ClockEvent& event : report.events()) {
        const std::int64_t frame = periodStart + event.frame;
        if (event.kind == ClockEvent::Kind::step) {
            pulsesBefore(frame, stepFrames);
            stepStart_ = frame;
            pulsesSent_ = 0;
            if (startDue_ && event.step == 0) {
                add(frame, 3, songPosition);
                add(frame, 1, start);
                startDue_ = false;
            }
        } else if (event.kind == ClockEvent::Kind::trigger && event.midiNote != noMidiNote) {
            note(event, frame);
        }
    }
    if (wasPlaying_) pulsesBefore(periodEnd, stepFrames);
    send();
}

void MidiWriter::followPlaying(std::int64_t periodStart) {
    const bool playing = sequencer_.playing.load();
    if (wasPlaying_ && !playing) {
        add(periodStart, 1, stop);
        stepStart_ = -1;
    }
    if (!wasPlaying_ && playing) startDue_ = true;
    wasPlaying_ = playing;
}

void MidiWriter::pulsesBefore(std::int64_t frame, std::int64_t stepFrames) {
    for (; stepStart_ >= 0 && pulsesSent_ < pulsesPerStep; ++pulsesSent_) {
        const std::int64_t pulse = stepStart_ + pulsesSent_ * stepFrames / pulsesPerStep;
        if (pulse >= frame) return;
        add(pulse, 1, clockPulse);
    }
}

void MidiWriter::note(const ClockEvent& trigger, std::int64_t frame) {
    const auto velocity = static_cast<std::uint8_t>(std::clamp<long>(std::lround(trigger.volume * 127.0f), 0, 127));
    // Velocity 0 would be a note-off; with no room left for the note-off the note would hang.
    if (velocity == 0 || noteOffCount_ == noteOffs_.size()) return;
    const auto status = static_cast<std::uint8_t>(0x90 | (trigger.midiChannel - 1));
    const auto key = static_cast<std::uint8_t>(trigger.midiNote);
    add(frame, 3, status, key, velocity);
    noteOffs_[noteOffCount_++] = {frame + noteFrames, static_cast<std::uint8_t>(status & 0x8F), key};
}

void MidiWriter::noteOffsBefore(std::int64_t frame) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < noteOffCount_; ++i) {
        const NoteOff& off = noteOffs_[i];
        if (off.frame < frame) {
            add(off.frame, 3, off.status, off.note, 0x40);
        } else {
            noteOffs_[kept++] = off;
        }
    }
    noteOffCount_ = kept;
}

void MidiWriter::add(std::int64_t frame, std::uint8_t size, std::uint8_t status, std::uint8_t data1,
                     std::uint8_t data2) {
    if (periodCount_ == period_.size()) return;
    // The master limiter holds the sound back by its look-ahead: each message goes out with it.
    const auto heard = static_cast<std::uint64_t>(frame) + AudioEngine::limiterDelayFrames;
    period_[periodCount_++] = {heard, size, {status, data1, data2}};
}

void MidiWriter::send() {
    // Few and nearly in order: an insertion sort, which keeps the order of equal frames and, unlike
    // std::stable_sort, never asks for memory.
    for (std::size_t i = 1; i < periodCount_; ++i) {
        const MidiMessage message = period_[i];
        std::size_t j = i;
        for (; j > 0 && period_[j - 1].frame > message.frame; --j) period_[j] = period_[j - 1];
        period_[j] = message;
    }
    for (std::size_t i = 0; i < periodCount_; ++i) queue_.push(period_[i]);
}

}  // namespace zaffo
