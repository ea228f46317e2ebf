#pragma once

#include "command/CommandContext.h"

namespace zaffo {

// The effects of the commands that act on the sequencer, given what the line collected.
// They raise a parse error for a name that is neither an instrument nor a loaded sample.
void runInstrumentCommand(CommandContext& context);
void runMuteCommand(CommandContext& context, bool active);
void runRemoveCommand(CommandContext& context);
// `midi`: lists the instruments that send MIDI notes; `midi kick`: says how kick stands; `midi kick 36 [channel]`:
// kick sends note 36; `midi kick off`: it sends none.
enum class MidiChange { list, show, set, off };
void runMidiCommand(CommandContext& context, MidiChange change);
std::string partListText(const std::vector<std::string>& partNames);
std::string formatVolume(float volume);

}  // namespace zaffo
