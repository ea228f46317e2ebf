#include "core/UndoHistory.h"

#include <utility>

namespace zaffo {
namespace {

size_t instrumentsIn(const std::deque<UndoHistory::Entry>& entries) {
    size_t count = 0;
    for (const UndoHistory::Entry& entry : entries) count += entry.state.sequencer.size();
    return count;
}

// Moves the newest entry of `from` to `to`, leaving `now` in its place on `to`.
std::optional<UndoHistory::Entry> step(std::deque<UndoHistory::Entry>& from, std::deque<UndoHistory::Entry>& to,
                                       UndoState now) {
    if (from.empty()) return std::nullopt;
    UndoHistory::Entry entry = std::move(from.back());
    from.pop_back();
    to.push_back({entry.line, std::move(now)});
    return entry;
}

}  // namespace

void UndoHistory::record(std::string line, UndoState before) {
    done.push_back({std::move(line), std::move(before)});
    undone.clear();
    keepWithinBounds();
}

std::optional<UndoHistory::Entry> UndoHistory::undo(UndoState now) {
    auto entry = step(done, undone, std::move(now));
    keepWithinBounds();
    return entry;
}

std::optional<UndoHistory::Entry> UndoHistory::redo(UndoState now) {
    auto entry = step(undone, done, std::move(now));
    keepWithinBounds();
    return entry;
}

void UndoHistory::keepWithinBounds() {
    // The oldest steps go first; the newest one in each direction always stays.
    for (auto* entries : {&done, &undone}) {
        while (entries->size() > 1 && (entries->size() > depth || instrumentsIn(*entries) > mostInstruments)) {
            entries->pop_front();
        }
    }
}

}  // namespace zaffo
