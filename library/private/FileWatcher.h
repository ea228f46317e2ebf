#pragma once

#include "FileEvent.h"
#include "library/FileWatchListener.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct epoll_event;

namespace zaffo {

class InotifyWatch;

// Watches folders with inotify and calls each watch's listener on one thread of its own.
//
// Listeners are not owned. After removeWatch(id) returns, that watch's listener is never called
// again and may be destroyed; after the destructor returns, no listener is called at all. Both
// wait for a callback that is running, so neither may be called while holding a lock that a
// listener takes. A listener may itself add or remove watches.
class FileWatcher {
public:
    FileWatcher();
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // A positive id, or a negative one when `path` is not a folder that can be watched.
    // A recursive watch also covers every folder below, including folders created later.
    WatchId addWatch(const std::string& path, FileWatchListener* listener, bool recursive);
    void removeWatch(WatchId id);

    // Starts the thread that delivers events; events from before are queued, not lost.
    void watch();

private:
    struct Registered {
        std::unique_ptr<InotifyWatch> watch;
        FileWatchListener* listener;
    };
    struct Delivery {
        WatchId id;
        FileEvent event;
    };

    void run();
    int waitTimeoutMs();
    std::vector<Delivery> collect(const epoll_event* ready, int count);
    void deliver(const std::vector<Delivery>& deliveries);
    void stop();

    int epollFd_ = -1;
    int wakeFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;

    std::mutex mutex_;  // guards watches_ and nextId_, and every read of a watch's descriptor
    std::map<WatchId, Registered> watches_;
    WatchId nextId_ = 1;

    // Held around each callback, so removeWatch can wait for one in flight. Recursive because a
    // listener may remove a watch from inside its callback.
    std::recursive_mutex deliveryMutex_;
};

}  // namespace zaffo
