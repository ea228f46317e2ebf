#pragma once

#include "sequencer/Step.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zaffo {

inline constexpr int32_t noMidiNote = -1;
inline constexpr int32_t maxMidiNote = 127;
// The General MIDI drum channel.
inline constexpr int32_t defaultMidiChannel = 10;
inline constexpr int32_t maxMidiChannel = 16;

// One instrument: a sample played on a loop of eight steps. Its name is the sample's name.
class SequencerPattern {
public:
    std::string name;
    int32_t rand = 0;         // shuffle the steps every `rand` measures; 0 or less: never
    int32_t randCounter = 0;  // measures counted towards the next shuffle
    float volume = 1.0f;
    bool active = true;                        // false: muted, yet still shuffled
    int32_t midiNote = noMidiNote;             // the MIDI note it also sends on each step that sounds, 0 to 127
    int32_t midiChannel = defaultMidiChannel;  // 1 to 16
    Steps steps{};

    bool operator==(const SequencerPattern&) const = default;
};

// The loudest an instrument plays: 10 is ten times its sample's level, more than a musician
// needs, and the volume column shows it in a few digits. The master volume has no such limit.
inline constexpr float maxInstrumentVolume = 10.0f;

// An instrument's volume kept within 0..maxInstrumentVolume. `volume` must be finite.
float instrumentVolume(double volume);

// Copies everything but the name: what the clock and the edits change.
void copyState(const SequencerPattern& from, SequencerPattern& to);

// Writes parsed steps into a loop: step i becomes parsed[i mod n], so a short pattern repeats
// and a long one is cut after eight steps. An empty list leaves the loop as it is.
void applySteps(const std::vector<Step>& parsed, Steps& steps);

// The canonical text of a loop: "-" for an off step, "#" for an on step at pitch 0, "#" and
// the pitch otherwise ("#-#5-#-2--#").
std::string patternText(const Steps& steps);

// The note of a pitch offset, counting offset 0 as C3: 13 is "C#4", -13 is "B1".
std::string noteName(int32_t pitch);

}  // namespace zaffo
