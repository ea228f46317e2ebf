#include "InotifyWatch.h"

#include <filesystem>
#include <system_error>

#include <sys/inotify.h>
#include <unistd.h>

namespace zaffo {
namespace {

constexpr std::uint32_t kEventMask = IN_CREATE | IN_DELETE | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

// The two halves of one rename are queued together by the kernel; the grace only covers a
// reader that happens to drain the queue between them.
constexpr auto kMoveGrace = std::chrono::milliseconds(50);

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string joinPath(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string eventDir(const std::string& dir) { return dir == "/" ? dir : dir + "/"; }

bool isRealFolder(const std::filesystem::directory_entry& entry) {
    std::error_code error;
    return entry.is_directory(error) && !entry.is_symlink(error);
}

}  // namespace

std::unique_ptr<InotifyWatch> InotifyWatch::open(const std::string& root, bool recursive) {
    int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    std::unique_ptr<InotifyWatch> watch(new InotifyWatch(fd, recursive));
    if (root.empty() || !watch->addTree(withoutTrailingSlash(root), nullptr)) {
        return nullptr;
    }
    return watch;
}

InotifyWatch::InotifyWatch(int fd, bool recursive) : fd_(fd), recursive_(recursive) {}

InotifyWatch::~InotifyWatch() { ::close(fd_); }

// Watches `dir` and, for a recursive watch, every real folder below it (links are not followed,
// so a link cannot make the tree loop). With `found`, every entry met is reported as added: they
// may have appeared before the folder's watch existed.
bool InotifyWatch::addTree(const std::string& dir, std::vector<FileEvent>* found) {
    const bool isRoot = dirs_.empty();
    int wd = ::inotify_add_watch(fd_, dir.c_str(), kEventMask | (isRoot ? 0 : IN_DONT_FOLLOW));
    if (wd < 0) {
        return false;
    }
    dirs_[wd] = dir;
    if (!recursive_) {
        return true;
    }
    std::error_code error;
    std::filesystem::directory_iterator it(dir, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (found) {
            found->push_back({eventDir(dir), name, FileAction::Add, ""});
        }
        if (isRealFolder(*it)) {
            addTree(joinPath(dir, name), found);
        }
    }
    return true;
}

void InotifyWatch::forgetTree(const std::string& dir) {
    const std::string below = dir + "/";
    for (auto it = dirs_.begin(); it != dirs_.end();) {
        if (it->second == dir || it->second.starts_with(below)) {
            ::inotify_rm_watch(fd_, it->first);
            it = dirs_.erase(it);
        } else {
            ++it;
        }
    }
}

void InotifyWatch::renameTree(const std::string& from, const std::string& to) {
    const std::string below = from + "/";
    for (auto& [wd, dir] : dirs_) {
        if (dir == from) {
            dir = to;
        } else if (dir.starts_with(below)) {
            dir = to + dir.substr(from.size());
        }
    }
}

void InotifyWatch::readEvents(std::vector<FileEvent>& out) {
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        ssize_t length = ::read(fd_, buffer, sizeof buffer);
        if (length <= 0) {
            return;
        }
        for (char* p = buffer; p < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            std::string name = event->len > 0 ? std::string(event->name) : std::string();
            handle(event->wd, event->mask, event->cookie, name, out);
            p += sizeof(inotify_event) + event->len;
        }
    }
}

void InotifyWatch::handle(int wd, std::uint32_t mask, std::uint32_t cookie, const std::string& name,
                          std::vector<FileEvent>& out) {
    auto it = dirs_.find(wd);
    if ((mask & IN_Q_OVERFLOW) || it == dirs_.end()) {
        return;
    }
    if (mask & IN_IGNORED) {
        dirs_.erase(it);
        return;
    }
    const std::string dir = it->second;
    const bool isFolder = mask & IN_ISDIR;
    if (mask & IN_CREATE) {
        out.push_back({eventDir(dir), name, FileAction::Add, ""});
        if (isFolder && recursive_) {
            addTree(joinPath(dir, name), &out);
        }
    } else if (mask & IN_DELETE) {
        out.push_back({eventDir(dir), name, FileAction::Delete, ""});
    } else if (mask & IN_CLOSE_WRITE) {
        out.push_back({eventDir(dir), name, FileAction::Modified, ""});
    } else if (mask & IN_MOVED_FROM) {
        flushPendingMove(out);
        pendingMove_ = PendingMove{cookie, dir, name, isFolder, Clock::now() + kMoveGrace};
    } else if (mask & IN_MOVED_TO) {
        handleMovedTo(dir, name, isFolder, cookie, out);
    }
}

// A move within one folder is a Moved event. Between two folders of the tree it becomes a
// Delete and an Add, because a listener only learns one folder per event.
void InotifyWatch::handleMovedTo(const std::string& dir, const std::string& name, bool isFolder, std::uint32_t cookie,
                                 std::vector<FileEvent>& out) {
    if (pendingMove_ && pendingMove_->cookie == cookie) {
        const PendingMove from = *pendingMove_;
        pendingMove_.reset();
        if (from.isFolder) {
            renameTree(joinPath(from.dir, from.name), joinPath(dir, name));
        }
        if (from.dir == dir) {
            out.push_back({eventDir(dir), name, FileAction::Moved, from.name});
        } else {
            out.push_back({eventDir(from.dir), from.name, FileAction::Delete, ""});
            out.push_back({eventDir(dir), name, FileAction::Add, ""});
        }
        return;
    }
    flushPendingMove(out);
    out.push_back({eventDir(dir), name, FileAction::Add, ""});
    if (isFolder && recursive_) {
        addTree(joinPath(dir, name), &out);
    }
}

std::optional<InotifyWatch::Clock::time_point> InotifyWatch::pendingMoveDeadline() const {
    if (!pendingMove_) {
        return std::nullopt;
    }
    return pendingMove_->deadline;
}

void InotifyWatch::flushPendingMove(std::vector<FileEvent>& out) {
    if (!pendingMove_) {
        return;
    }
    const PendingMove from = *pendingMove_;
    pendingMove_.reset();
    if (from.isFolder) {
        // The folder now lives outside the tree; its old watches would report under stale paths.
        forgetTree(joinPath(from.dir, from.name));
    }
    out.push_back({eventDir(from.dir), from.name, FileAction::Delete, ""});
}

}  // namespace zaffo
