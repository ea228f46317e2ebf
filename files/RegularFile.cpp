#include "files/RegularFile.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zaffo {

FileHandle::~FileHandle() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        FileHandle old(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FileHandle openRegularFile(const std::string& path) {
    // Looked at before opening, so that no device is ever opened (opening one may act on it);
    // checked again on what was opened, since the name may meanwhile point somewhere else.
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) {
        return {};
    }
    FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat opened {};
    if (!file || ::fstat(file.fd(), &opened) != 0 || !S_ISREG(opened.st_mode)) {
        return {};
    }
    ::fcntl(file.fd(), F_SETFL, ::fcntl(file.fd(), F_GETFL) & ~O_NONBLOCK);
    return file;
}

FileHandle createRegularFile(const std::string& path) {
    struct stat named {};
    if (::lstat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
        return {};
    }
    FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    struct stat opened {};
    if (!file || ::fstat(file.fd(), &opened) != 0 || !S_ISREG(opened.st_mode) || ::ftruncate(file.fd(), 0) != 0) {
        return {};
    }
    ::fcntl(file.fd(), F_SETFL, ::fcntl(file.fd(), F_GETFL) & ~O_NONBLOCK);
    return file;
}

std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit) {
    FileHandle file = openRegularFile(path);
    if (!file) {
        return std::nullopt;
    }
    std::string text;
    char block[64 * 1024];
    while (text.size() < limit) {
        const std::size_t wanted = std::min(sizeof block, limit - text.size());
        const ssize_t got = ::read(file.fd(), block, wanted);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        text.append(block, static_cast<std::size_t>(got));
    }
    return text;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    for (std::size_t at = 0; at < size;) {
        const ssize_t count = ::write(fd, data + at, size - at);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        at += static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace zaffo
