#pragma once

#include "FileEvent.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zaffo {

// One watched folder (and, when recursive, every folder below it) on an inotify instance of its
// own, so that two watches over the same folders never share or steal each other's descriptors.
// Turns the kernel's raw events into FileEvents. Not thread-safe: its owner serialises the calls.
class InotifyWatch {
public:
    using Clock = std::chrono::steady_clock;

    // Empty when `root` is not a folder that can be watched.
    static std::unique_ptr<InotifyWatch> open(const std::string& root, bool recursive);
    ~InotifyWatch();
    InotifyWatch(const InotifyWatch&) = delete;
    InotifyWatch& operator=(const InotifyWatch&) = delete;

    int fd() const { return fd_; }

    // Reads whatever the kernel has queued and appends the resulting events.
    void readEvents(std::vector<FileEvent>& out);

    // A move's first half waits for its second; when none came by the deadline, the move left the
    // tree and is reported as a Delete.
    std::optional<Clock::time_point> pendingMoveDeadline() const;
    void flushPendingMove(std::vector<FileEvent>& out);

private:
    struct PendingMove {
        std::uint32_t cookie;
        std::string dir;  // without trailing "/"
        std::string name;
        bool isFolder;
        Clock::time_point deadline;
    };

    InotifyWatch(int fd, bool recursive);
    bool addTree(const std::string& dir, std::vector<FileEvent>* found);
    void forgetTree(const std::string& dir);
    void renameTree(const std::string& from, const std::string& to);
    void handle(int wd, std::uint32_t mask, std::uint32_t cookie, const std::string& name, std::vector<FileEvent>& out);
    void handleMovedTo(const std::string& dir, const std::string& name, bool isFolder, std::uint32_t cookie,
                       std::vector<FileEvent>& out);

    int fd_;
    bool recursive_;
    std::unordered_map<int, std::string> dirs_;  // watch descriptor -> folder, no trailing "/"
    std::optional<PendingMove> pendingMove_;
};

}  // namespace zaffo
