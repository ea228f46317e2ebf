#pragma once

#include "library/FileWatchListener.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace zaffo {

// The changes of a pack's files that wait to be taken in, worked off one at a time on a thread
// of its own, so that reading a file never holds up the watcher, nor whoever moves the watch.
//
// The events of one file collapse into one change of its final state. A changed file is taken
// in once it has settled: a short while after it was closed from writing, or, for a file not
// written here (moved in from elsewhere), once its size and time stayed the same over that
// while; a file still being copied is left alone until the copy ends. A file that
// cannot be read is tried once more a little later, without holding back the others. Removals
// and moves go first, in the order they came.
class ReloadQueue {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto settleTime = std::chrono::milliseconds(100);
    static constexpr auto retryDelay = std::chrono::milliseconds(250);

    enum class Kind { changed, removed, moved };
    struct Change {
        Kind kind;
        WatchId watch;
        std::string path;
        std::string oldPath;  // for moved only
    };
    // Takes in one change on the queue's thread. False when a changed file could not be read;
    // `lastTry` tells whether it will be offered again.
    using Work = std::function<bool(const Change& change, bool lastTry)>;

    explicit ReloadQueue(Work work);
    // Waits for the change in hand; the others are dropped.
    ~ReloadQueue();
    ReloadQueue(const ReloadQueue&) = delete;
    ReloadQueue& operator=(const ReloadQueue&) = delete;

    // `closed`: the file was just closed after writing, so it is complete.
    void changed(WatchId watch, const std::string& path, bool closed);
    void removed(WatchId watch, const std::string& path);
    void moved(WatchId watch, const std::string& oldPath, const std::string& newPath);
    // Drops every waiting change that came from another watch.
    void keepOnly(WatchId watch);

private:
    using Stamp = std::pair<std::int64_t, std::int64_t>;  // size, modification time in ns
    struct Waiting {
        WatchId watch;
        Clock::time_point due;
        bool closed = false;
        bool retried = false;
        std::optional<Stamp> stamp;
    };

    void run();
    void takeIn(const std::string& path, Waiting waiting);
    bool perform(const Change& change, bool lastTry);
    void later(const std::string& path, Waiting waiting, Clock::duration delay);

    Work work_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::deque<Change> immediate_;
    std::map<std::string, Waiting> waiting_;  // changed files by path
    std::thread thread_;
};

}  // namespace zaffo
