#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zaffo {

class AudioBuffer;

// The sample table: the loaded samples of the current pack by name, and their names in the
// order they arrived. Every change builds a new table and swaps it in, so that a lookup (from the
// audio thread too) holds the lock for no more than a hash lookup and a reference count.
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
