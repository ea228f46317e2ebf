#pragma once

#include "sequencer/SequencerSnapshot.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace zaffo {

// What undo brings back: the pack in use and everything edited in the sequencer.
struct UndoState {
    std::wstring pack;
    SequencerSnapshot sequencer;

    bool operator==(const UndoState&) const = default;
};

// The commands that changed the music, each with the state it changed, so that they can be
// undone and redone in turn. Keeps the last `depth` of them, fewer when they hold a great many
// instruments.
class UndoHistory {
public:
    static constexpr size_t depth = 100;
    static constexpr size_t mostInstruments = size_t{1} << 18;

    struct Entry {
        std::string line;  // the command, as typed
        UndoState state;
    };

    // `line` changed the music from `before`: it can be undone; what was undone can no longer
    // be redone.
    void record(std::string line, UndoState before);
    // The state before the last command still in force, and that command; `now` is kept for
    // redo. Nothing when no command is left to undo.
    std::optional<Entry> undo(UndoState now);
    // The state after the last command undone, and that command; `now` is kept for undo.
    std::optional<Entry> redo(UndoState now);

private:
    void keepWithinBounds();

    std::deque<Entry> done;
    std::deque<Entry> undone;
};

}  // namespace zaffo
