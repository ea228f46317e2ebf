#include "sequencer/SequencerPattern.h"

#include <algorithm>
#include <array>

namespace zaffo {

float instrumentVolume(double volume) {
    return static_cast<float>(std::clamp(volume, 0.0, static_cast<double>(maxInstrumentVolume)));
}

void copyState(const SequencerPattern& from, SequencerPattern& to) {
    to.rand = from.rand;
    to.randCounter = from.randCounter;
    to.volume = from.volume;
    to.active = from.active;
    to.midiNote = from.midiNote;
    to.midiChannel = from.midiChannel;
    to.steps = from.steps;
}

void applySteps(const std::vector<Step>& parsed, Steps& steps) {
    if (parsed.empty()) {
        return;
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i] = parsed[i % parsed.size()];
    }
}

std::string patternText(const Steps& steps) {
    std::string text;
    for (const Step& step : steps) {
        if (!step.on) {
            text += '-';
            continue;
        }
        text += '#';
        if (step.pitch != 0) {
            text += std::to_string(step.pitch);
        }
    }
    return text;
}

std::string noteName(int32_t pitch) {
    static const std::array<const char*, 12> noteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                          "F#", "G",  "G#", "A",  "A#", "B"};
    // Work in 64 bits so that the extremes of int32 neither overflow nor round the wrong way.
    const int64_t p = pitch;
    const int64_t semitone = ((p % 12) + 12) % 12;
    const int64_t octave = (p - semitone) / 12 + 3;
    return std::string(noteNames[semitone]) + std::to_string(octave);
}

}  // namespace zaffo
