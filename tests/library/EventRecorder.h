#pragma once

#include "library/FileWatchListener.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace zaffo::testing {

struct Recorded {
    WatchId watchId;
    std::string dir;
    std::string filename;
    FileAction action;
    std::string oldFilename;

    bool is(FileAction a, const std::string& d, const std::string& f) const {
        return action == a && dir == d && filename == f;
    }
};

// Keeps every event it receives and lets a test wait, with a deadline, for one to arrive.
class EventRecorder : public FileWatchListener {
public:
    void handleFileAction(WatchId watchId, const std::string& dir, const std::string& filename,
                          FileAction action, const std::string& oldFilename) override {
        std::lock_guard lock(mutex_);
        events_.push_back({watchId, dir, filename, action, oldFilename});
        changed_.notify_all();
    }

    bool waitFor(const std::function<bool(const std::vector<Recorded>&)>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return done(events_); });
    }

    bool waitForEvent(FileAction action, const std::string& dir, const std::string& filename) {
        return waitFor([&](const std::vector<Recorded>& events) {
            for (const auto& e : events) {
                if (e.is(action, dir, filename)) {
                    return true;
                }
            }
            return false;
        });
    }

    std::vector<Recorded> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Recorded> events_;
};

}  // namespace zaffo::testing
