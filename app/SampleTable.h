#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zaffo {

class AudioBuffer;

// The locks of the program, outermost first. A thread that holds one may take those below it,
// never those above:
//   1. Sequencer::editMutex       changes to the instruments and the parts, one at a time.
//                                 The audio thread never takes it.
//   2. Sequencer::sequencerMutex  what the clock reads and writes: the live instrument list,
//                                 the instruments' steps, the tempo animation, the step callback.
//   3. SampleTable::stateMutex    the pointer to the current sample table.
//   4. AudioEngine::engineMutex   the voices and the recorder's producer side.
//   MessageLog's messageMutex is never held together with another lock.
// The audio thread takes 2, 3 and 4 in every period, so no other thread holds them for more
// than a few pointer swaps or a small copy into storage it made beforehand: whatever allocates,
// frees, decodes, copies a list or touches a file happens before the lock is taken (a new
// version is built aside and swapped in) or after it is let go (the old version is dropped).
//
// The sample table: the loaded samples of the current pack by name, and their names in the
// order they arrived. Every change builds a new table and swaps it in.
class SampleTable {
public:
    using BufferPtr = std::shared_ptr<AudioBuffer>;
    using Entry = std::pair<std::string, BufferPtr>;

    SampleTable();

    // Any thread, the audio thread too: the lookup holds the lock, and takes no reference to
    // the table itself.
    BufferPtr find(const std::string& name) const;
    bool contains(const std::string& name) const { return find(name) != nullptr; }
    std::vector<std::string> names() const;

    // Adds or replaces each named buffer; new names go to the end of the list.
    void set(std::vector<Entry> entries);
    void remove(const std::string& name);
    void clear();

private:
    struct Contents {
        std::unordered_map<std::string, BufferPtr> buffers;
        std::vector<std::string> names;
    };
    using ContentsPtr = std::shared_ptr<const Contents>;

    ContentsPtr snapshot() const;
    // Swaps next in; the caller's next then holds the old table and lets go of it unlocked.
    void publish(ContentsPtr& next);

    std::mutex writeMutex_;  // changes, one at a time; the audio thread never takes it
    mutable std::mutex stateMutex_;
    ContentsPtr contents_;
};

}  // namespace zaffo
