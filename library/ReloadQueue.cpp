#include "library/ReloadQueue.h"

#include <algorithm>

#include <sys/stat.h>

namespace zaffo {
namespace {

std::optional<std::pair<std::int64_t, std::int64_t>> stampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return std::pair<std::int64_t, std::int64_t>(info.st_size,
                                                 std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec);
}

}  // namespace

ReloadQueue::ReloadQueue(Work work) : work_(std::move(work)), thread_(&ReloadQueue::run, this) {}

ReloadQueue::~ReloadQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ReloadQueue::changed(WatchId watch, const std::string& path, bool closed) {
    {
        std::lock_guard lock(mutex_);
        // The first event sets the time, so that a file written again and again is still taken
        // in every little while, not only once the writing stops.
        const auto due = Clock::now() + settleTime;
        auto [it, added] = waiting_.try_emplace(path, Waiting{watch, due, closed, false, std::nullopt});
        if (!added) {
            it->second = Waiting{watch, std::min(it->second.due, due), closed, false, it->second.stamp};
        }
    }
    wake_.notify_all();
}

void ReloadQueue::removed(WatchId watch, const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        waiting_.erase(path);
        immediate_.push_back({Kind::removed, watch, path, ""});
    }
    wake_.notify_all();
}

void ReloadQueue::moved(WatchId watch, const std::string& oldPath, const std::string& newPath) {
    {
        std::lock_guard lock(mutex_);
        // The move reads the file under its new name; nothing is left to read under the old.
        waiting_.erase(oldPath);
        waiting_.erase(newPath);
        immediate_.push_back({Kind::moved, watch, newPath, oldPath});
    }
    wake_.notify_all();
}

void ReloadQueue::keepOnly(WatchId watch) {
    std::lock_guard lock(mutex_);
    std::erase_if(waiting_, [watch](const auto& entry) { return entry.second.watch != watch; });
    std::erase_if(immediate_, [watch](const Change& change) { return change.watch != watch; });
}

void ReloadQueue::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!immediate_.empty()) {
            const Change change = std::move(immediate_.front());
            immediate_.pop_front();
            lock.unlock();
            perform(change, true);
            lock.lock();
            continue;
        }
        auto next = std::min_element(waiting_.begin(), waiting_.end(),
                                     [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
        if (next == waiting_.end()) {
            wake_.wait(lock);
        } else if (next->second.due > Clock::now()) {
            // A copy: while the lock is let go, keepOnly or a new event may erase the entry.
            const Clock::time_point due = next->second.due;
            wake_.wait_until(lock, due);
        } else {
            const std::string path = next->first;
            const Waiting waiting = next->second;
            waiting_.erase(next);
            lock.unlock();
            takeIn(path, waiting);
            lock.lock();
        }
    }
}

void ReloadQueue::takeIn(const std::string& path, Waiting waiting) {
    if (!waiting.closed) {
        const auto stamp = stampOf(path);
        if (stamp && stamp != waiting.stamp) {
            waiting.stamp = stamp;
            later(path, waiting, settleTime);
            return;
        }
    }
    if (!perform({Kind::changed, waiting.watch, path, ""}, waiting.retried) && !waiting.retried) {
        waiting.retried = true;
        later(path, waiting, retryDelay);
    }
}

bool ReloadQueue::perform(const Change& change, bool lastTry) {
    try {
        return work_(change, lastTry);
    } catch (...) {
        // One change that fails must not end the thread, and with it every reload after it.
        return true;
    }
}

// Comes back to a file, unless a newer event for it came meanwhile: that one stands.
void ReloadQueue::later(const std::string& path, Waiting waiting, Clock::duration delay) {
    {
        std::lock_guard lock(mutex_);
        waiting.due = Clock::now() + delay;
        waiting_.try_emplace(path, waiting);
    }
    wake_.notify_all();
}

}  // namespace zaffo
