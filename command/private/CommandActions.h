#pragma once

// What each rule of the command language does once it has matched. Token actions collect
// values into the line's context; command actions run the command.

#include "CommandExecution.h"
#include "CommandGrammar.h"
#include "command/CommandContext.h"
#include "command/CommandParser.h"
#include "command/ParseListener.h"
#include "sequencer/Sequencer.h"

#include <charconv>
#include <cmath>
#include <string>

namespace zaffo::command_grammar {

template <typename Rule>
struct action : pattern_grammar::action<Rule> {};

// A decimal number as typed, or a parse error when it is too large to be one.
template <typename ActionInput>
double toDecimal(const ActionInput& in) {
    const std::string_view text = in.string_view();
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value) || value > 3.4e38) {
        throw CommandError("number too large: " + std::string(text));
    }
    return value;
}

// Runs a listener operation when there is a listener; without one it is skipped.
template <typename Operation>
void withListener(CommandContext& context, Operation operation) {
    if (ParseListener* listener = context.parser->listener) {
        operation(*listener);
    }
}

template <>
struct action<fresh> {
    template <typename ActionInput>
    static void apply(const ActionInput&, CommandContext& context) {
        context.names.clear();
        context.steps.clear();
        context.stepOn = false;
        context.stepPitch = 0;
        context.rand = -1;
        context.volume = -1.0f;
        context.midiNote = noMidiNote;
        context.midiChannel = defaultMidiChannel;
    }
};

template <>
struct action<name> {
    template <typename ActionInput>
    static void apply(const ActionInput& in, CommandContext& context) {
        context.names.push_back(in.string());
    }
};

template <>
struct action<tempo> {
    template <typename ActionInput>
    static void apply(const ActionInput& in, CommandContext& context) {
        context.bpm = pattern_grammar::toInt32(in);
    }
};

template <>
struct action<midi_note> {
    template <typename ActionInput>
    static void apply(const ActionInput& in, CommandContext& context) {
        context.midiNote = pattern_grammar::toInt32(in);
        if (context.midiNote > maxMidiNote) throw CommandError("MIDI notes go from 0 to 127");
    }
};

template <>
struct action<midi_channel> {
    template <typename ActionInput>
    static void apply(const ActionInput& in, CommandContext& context) {
        context.midiChannel = pattern_grammar::toInt32(in);
        if (context.midiChannel < 1 || context.midiChannel > maxMidiChannel) {
            throw CommandError("MIDI channels go from 1 to 16");
        }
    }
};

template <>
struct action<rand_period> {
    template <typename ActionInput>
    static void apply(const ActionInput& in, CommandContext& context) {
        context.rand = pattern_grammar::toInt32(in);
    }
};

template <>
struct action<volume> {
    template <typename ActionInput>
    static void apply(const ActionInput& in, CommandContext& context) {
        context.volume = static_cast<float>(toDecimal(in));
    }
};

template <>
struct action<seconds> {
    template <typename ActionInput>
    static void apply(const ActionInput& in, CommandContext& context) {
        context.seconds = toDecimal(in);
    }
};

template <>
struct action<argument> {
    template <typename ActionInput>
    static void apply(const ActionInput& in, CommandContext& context) {
        const std::string text = in.string();
        const auto first = text.find_first_not_of(' ');
        context.argument = first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
    }
};

// A command action is a plain function of the context, run once its whole form has matched.
template <void (*run)(CommandContext&)>
struct command_action {
    template <typename ActionInput>
    static void apply(const ActionInput&, CommandContext& context) {
        run(context);
    }
};

inline void runHelp(CommandContext& c) {
    withListener(c, [&](ParseListener& l) { l.showHelp(c.argument); });
}
inline void runTutorial(CommandContext& c) {
    withListener(c, [](ParseListener& l) { l.startTutorial(); });
}
inline void runNext(CommandContext& c) {
    withListener(c, [](ParseListener& l) { l.nextTutorialPage(); });
}
inline void runUse(CommandContext& c) {
    withListener(c, [&](ParseListener& l) {
        l.selectPack(c.argument);
        if (!c.argument.empty()) {
            c.message = l.listSamples();
        }
    });
}
inline void runSave(CommandContext& c) {
    withListener(c, [&](ParseListener& l) { l.saveComposition(c.argument); });
}
inline void runLoad(CommandContext& c) {
    withListener(c, [&](ParseListener& l) { l.loadComposition(c.argument); });
}
inline void runBpmShow(CommandContext& c) { c.message = std::to_string(c.sequencer->bpm.load()); }
inline void runBpmSet(CommandContext& c) { c.sequencer->animateBpm(c.bpm, c.seconds); }
inline void runVolumeShow(CommandContext& c) {
    withListener(c, [&](ParseListener& l) { c.message = formatVolume(l.getVolume()); });
}
inline void runVolumeSet(CommandContext& c) {
    withListener(c, [&](ParseListener& l) { l.setVolume(c.volume); });
}
inline void runRecordStart(CommandContext& c) {
    withListener(c, [](ParseListener& l) { l.setRecording(true); });
}
inline void runRecordStop(CommandContext& c) {
    withListener(c, [](ParseListener& l) { l.setRecording(false); });
}
inline void runLink(CommandContext& c, std::optional<bool> on) {
    withListener(c, [&](ParseListener& l) { c.message = l.useLink(on); });
}
inline void runLinkOn(CommandContext& c) { runLink(c, true); }
inline void runLinkOff(CommandContext& c) { runLink(c, false); }
inline void runLinkShow(CommandContext& c) { runLink(c, std::nullopt); }
inline void runMidiList(CommandContext& c) { runMidiCommand(c, MidiChange::list); }
inline void runMidiOff(CommandContext& c) { runMidiCommand(c, MidiChange::off); }
inline void runMidiSet(CommandContext& c) { runMidiCommand(c, MidiChange::set); }
inline void runMidiShow(CommandContext& c) { runMidiCommand(c, MidiChange::show); }
inline void runSamples(CommandContext& c) {
    withListener(c, [&](ParseListener& l) { c.message = l.listSamples(); });
}
inline void runParts(CommandContext& c) { c.message = partListText(c.partNames); }
inline void runUndo(CommandContext& c) {
    withListener(c, [&](ParseListener& l) { c.message = l.undo(); });
}
inline void runRedo(CommandContext& c) {
    withListener(c, [&](ParseListener& l) { c.message = l.redo(); });
}
inline void runStorePart(CommandContext& c) { c.sequencer->storePart(c.names.front()); }
inline void runRemoveAll(CommandContext& c) { c.sequencer->clearAll(); }
inline void runMute(CommandContext& c) { runMuteCommand(c, false); }
inline void runUnmute(CommandContext& c) { runMuteCommand(c, true); }
inline void runStop(CommandContext& c) {
    withListener(c, [](ParseListener& l) { l.setPlaying(false); });
}
inline void runPlay(CommandContext& c) {
    withListener(c, [](ParseListener& l) { l.setPlaying(true); });
}

template <>
struct action<cmd_help> : command_action<runHelp> {};
template <>
struct action<cmd_tutorial> : command_action<runTutorial> {};
template <>
struct action<cmd_next> : command_action<runNext> {};
template <>
struct action<cmd_use> : command_action<runUse> {};
template <>
struct action<cmd_save> : command_action<runSave> {};
template <>
struct action<cmd_load> : command_action<runLoad> {};
template <>
struct action<cmd_bpm_show> : command_action<runBpmShow> {};
template <>
struct action<cmd_bpm_set> : command_action<runBpmSet> {};
template <>
struct action<cmd_volume_show> : command_action<runVolumeShow> {};
template <>
struct action<cmd_volume_set> : command_action<runVolumeSet> {};
template <>
struct action<cmd_record_start> : command_action<runRecordStart> {};
template <>
struct action<cmd_record_stop> : command_action<runRecordStop> {};
template <>
struct action<cmd_link_on> : command_action<runLinkOn> {};
template <>
struct action<cmd_link_off> : command_action<runLinkOff> {};
template <>
struct action<cmd_link_show> : command_action<runLinkShow> {};
template <>
struct action<cmd_midi_list> : command_action<runMidiList> {};
template <>
struct action<cmd_midi_off> : command_action<runMidiOff> {};
template <>
struct action<cmd_midi_set> : command_action<runMidiSet> {};
template <>
struct action<cmd_midi_show> : command_action<runMidiShow> {};
template <>
struct action<cmd_samples> : command_action<runSamples> {};
template <>
struct action<cmd_parts> : command_action<runParts> {};
template <>
struct action<cmd_undo> : command_action<runUndo> {};
template <>
struct action<cmd_redo> : command_action<runRedo> {};
template <>
struct action<cmd_instrument> : command_action<runInstrumentCommand> {};
template <>
struct action<cmd_store_part> : command_action<runStorePart> {};
template <>
struct action<cmd_remove_names> : command_action<runRemoveCommand> {};
template <>
struct action<cmd_remove_all> : command_action<runRemoveAll> {};
template <>
struct action<cmd_mute> : command_action<runMute> {};
template <>
struct action<cmd_unmute> : command_action<runUnmute> {};
template <>
struct action<cmd_stop> : command_action<runStop> {};
template <>
struct action<cmd_play> : command_action<runPlay> {};

}  // namespace zaffo::command_grammar
