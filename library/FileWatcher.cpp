#include "FileWatcher.h"

#include "InotifyWatch.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zaffo {
namespace {

// Watch ids start at 1, so 0 marks the wake-up descriptor in the poll set.
constexpr std::uint32_t kWakeKey = 0;
constexpr int kMaxReady = 16;

}  // namespace

FileWatcher::FileWatcher() {
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epollFd_ >= 0 && wakeFd_ >= 0) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u32 = kWakeKey;
        ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, wakeFd_, &event);
    }
}

FileWatcher::~FileWatcher() {
    stop();
    watches_.clear();
    if (epollFd_ >= 0) {
        ::close(epollFd_);
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

WatchId FileWatcher::addWatch(const std::string& path, FileWatchListener* listener, bool recursive) {
    if (listener == nullptr || epollFd_ < 0) {
        return -1;
    }
    auto watch = InotifyWatch::open(path, recursive);
    if (!watch) {
        return -1;
    }
    std::lock_guard lock(mutex_);
    const WatchId id = nextId_++;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u32 = static_cast<std::uint32_t>(id);
    if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, watch->fd(), &event) != 0) {
        return -1;
    }
    watches_.emplace(id, Registered{std::move(watch), listener});
    return id;
}

void FileWatcher::removeWatch(WatchId id) {
    std::lock_guard delivery(deliveryMutex_);
    std::lock_guard lock(mutex_);
    auto it = watches_.find(id);
    if (it == watches_.end()) {
        return;
    }
    // Safe to close here: the thread only reads a watch's descriptor under mutex_, after finding
    // its id, and ids are never reused.
    ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, it->second.watch->fd(), nullptr);
    watches_.erase(it);
}

void FileWatcher::watch() {
    if (thread_.joinable() || epollFd_ < 0 || wakeFd_ < 0) {
        return;
    }
    thread_ = std::thread(&FileWatcher::run, this);
}

void FileWatcher::stop() {
    stopping_ = true;
    if (wakeFd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FileWatcher::run() {
    epoll_event ready[kMaxReady];
    while (!stopping_) {
        int count = ::epoll_wait(epollFd_, ready, kMaxReady, waitTimeoutMs());
        if (count < 0 && errno != EINTR) {
            return;
        }
        deliver(collect(ready, std::max(count, 0)));
    }
}

// Blocks for good unless a move is waiting for its second half.
int FileWatcher::waitTimeoutMs() {
    std::lock_guard lock(mutex_);
    std::optional<InotifyWatch::Clock::time_point> earliest;
    for (const auto& [id, registered] : watches_) {
        auto deadline = registered.watch->pendingMoveDeadline();
        if (deadline && (!earliest || *deadline < *earliest)) {
            earliest = deadline;
        }
    }
    if (!earliest) {
        return -1;
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*earliest - InotifyWatch::Clock::now());
    return static_cast<int>(std::max<std::int64_t>(left.count(), 0));
}

std::vector<FileWatcher::Delivery> FileWatcher::collect(const epoll_event* ready, int count) {
    std::vector<Delivery> deliveries;
    std::vector<FileEvent> events;
    std::lock_guard lock(mutex_);
    for (int i = 0; i < count; ++i) {
        if (ready[i].data.u32 == kWakeKey) {
            std::uint64_t drained;
            [[maybe_unused]] ssize_t got = ::read(wakeFd_, &drained, sizeof drained);
            continue;
        }
        auto it = watches_.find(static_cast<WatchId>(ready[i].data.u32));
        if (it == watches_.end()) {
            continue;
        }
        it->second.watch->readEvents(events);
        for (auto& event : events) {
            deliveries.push_back({it->first, std::move(event)});
        }
        events.clear();
    }
    const auto now = InotifyWatch::Clock::now();
    for (auto& [id, registered] : watches_) {
        auto deadline = registered.watch->pendingMoveDeadline();
        if (deadline && *deadline <= now) {
            registered.watch->flushPendingMove(events);
            for (auto& event : events) {
                deliveries.push_back({id, std::move(event)});
            }
            events.clear();
        }
    }
    return deliveries;
}

void FileWatcher::deliver(const std::vector<Delivery>& deliveries) {
    for (const auto& delivery : deliveries) {
        std::lock_guard deliveryLock(deliveryMutex_);
        if (stopping_) {
            return;
        }
        FileWatchListener* listener = nullptr;
        {
            std::lock_guard lock(mutex_);
            auto it = watches_.find(delivery.id);
            if (it == watches_.end()) {
                continue;  // removed since the event was read
            }
            listener = it->second.listener;
        }
        const FileEvent& event = delivery.event;
        try {
            listener->handleFileAction(delivery.id, event.dir, event.filename, event.action, event.oldFilename);
        } catch (...) {
            // A listener that fails on one change must not end the thread (and with it the
            // program); the next change is delivered as usual.
        }
    }
}

}  // namespace zaffo
